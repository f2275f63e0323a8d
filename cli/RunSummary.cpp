#include "RunSummary.h"

namespace {

// "1 file", "2 files".
QString Files(int Count, const char* Noun = "file") {
    return QStringLiteral("%1 %2%3")
        .arg(Count)
        .arg(QLatin1String(Noun))
        .arg(Count == 1 ? QString() : QStringLiteral("s"));
}

void AddCount(QStringList& Lines, const char* Label, int Count, const char* Noun = "file") {
    if (Count > 0) {
        Lines << QLatin1String(Label) + QStringLiteral(": ") + Files(Count, Noun);
    }
}

} // namespace

QStringList RunSummary(const TRunTally& Tally) {
    const TBatchCounts& counts = Tally.Counts;
    QStringList lines;
    if (counts.Total == 0) {
        lines << QStringLiteral("No picture found");
    } else {
        lines << QStringLiteral("Processed: ") + Files(counts.Processed);
    }
    AddCount(lines, "Not supported", counts.NonSupported);
    AddCount(lines, "Not written", counts.NotWritten);
    AddCount(lines, "Read only in part", counts.PartlyRead);
    AddCount(lines, "Skipped, up to date", counts.Skipped);
    AddCount(lines, "Skipped, not pictures", Tally.Skipped);
    AddCount(lines, "Could not be used", Tally.Unusable, "path");
    const int handled = counts.Processed + counts.NonSupported + counts.NotWritten + counts.Skipped;
    if (counts.Cancelled) {
        lines << QStringLiteral("Interrupted, left: ") + Files(counts.Total - handled);
    }
    if (counts.Total > 0) {
        lines << QStringLiteral("Output folder: ") + Tally.OutputRoot;
    }
    return lines;
}
