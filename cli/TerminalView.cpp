#include "TerminalView.h"

#include <QLocale>

#include "cli/TerminalText.h"

namespace {

constexpr int kBarWidth = 30;

QString Prefixed(const QString& Line) {
    return QStringLiteral("vellumkite-batch: ") + Line;
}

} // namespace

TTerminalView::TTerminalView(std::FILE* Output, std::FILE* Errors, TVerbosity Verbosity,
                             bool ShowBar)
    : FOutput(Output), FErrors(Errors), FVerbosity(Verbosity),
      FShowBar(ShowBar && Verbosity == TVerbosity::Normal) {}

void TTerminalView::Follow(const TBatchJob& Job) {
    QObject::connect(&Job, &TBatchJob::FileHandled,
                     [this](const TListedFile& File, const TFileReport& FileReport) {
                         Report(File, FileReport);
                     });
    QObject::connect(&Job, &TBatchJob::Progress, [this](int Done, int) { Progress(Done); });
    QObject::connect(&Job, &TBatchJob::Finished, [this](const TBatchCounts&) { End(); });
}

void TTerminalView::Begin(int Total) {
    FBusy = true;
    FTotal = Total;
    FPosition = 0;
    DrawBar();
}

void TTerminalView::Progress(int Done) {
    FPosition = Done;
    DrawBar();
}

void TTerminalView::End() {
    if (FBusy && FShowBar) {
        std::fputs("\n", FErrors);
        std::fflush(FErrors);
    }
    FBusy = false;
}

void TTerminalView::Warn(const QString& Text) {
    Print(FErrors, Prefixed(Text));
}

void TTerminalView::Report(const TListedFile& File, const TFileReport& Report) {
    const QString& source = File.Path;
    if (FVerbosity == TVerbosity::Verbose) {
        for (const TWrittenOutput& written : Report.Written) {
            // Named with its source: a numbered output alone does not say which file it is. One
            // pass of arg, so that a "%2" in a name stays as it is.
            Print(FOutput, QStringLiteral("wrote %1 (%2x%3, %4) from %5")
                               .arg(written.OutputPath, QString::number(written.Dimensions.Width),
                                    QString::number(written.Dimensions.Height),
                                    QLocale::c().formattedDataSize(written.Bytes, 1), source));
            if (written.Shortened) {
                Print(FOutput, QStringLiteral("shortened: %1 (a file name has at most %2 bytes)")
                                   .arg(written.OutputPath, QString::number(kMaxFileNameBytes)));
            }
        }
    }
    for (const TSizeOutcome& notWritten : Report.NotWritten) {
        Print(FErrors, Prefixed(QStringLiteral("not written: %1 (from %2): %3")
                                    .arg(notWritten.OutputPath, source, notWritten.Reason)));
    }
    // Outputs made from part of a picture are damaged: an error, which --quiet shows too.
    if (!Report.PartialReadReason.isEmpty()) {
        const QString line =
            QStringLiteral("read only in part: %1: %2").arg(source, Report.PartialReadReason);
        Print(FErrors, Prefixed(line));
    }
    if (Report.Outcome == TFileOutcome::NonSupported) {
        const QString reason =
            Report.Failure.isEmpty() ? QString() : QStringLiteral(": ") + Report.Failure;
        Print(FErrors, Prefixed(QStringLiteral("not supported: %1%2").arg(source, reason)));
    }
    if (Report.Outcome == TFileOutcome::Skipped && FVerbosity == TVerbosity::Verbose) {
        Print(FOutput, QStringLiteral("up to date: %1").arg(source));
    }
}

void TTerminalView::Print(std::FILE* Stream, const QString& Line) {
    if (FBusy && FShowBar) {
        std::fputs("\r\033[K", FErrors); // the bar gives way to the line, then comes back
        std::fflush(FErrors);
    }
    std::fprintf(Stream, "%s\n", TerminalText(Line).constData());
    std::fflush(Stream);
    DrawBar();
}

void TTerminalView::DrawBar() {
    if (!FBusy || !FShowBar) {
        return;
    }
    const int filled = FTotal > 0 ? FPosition * kBarWidth / FTotal : 0;
    const QByteArray bar = QByteArray(filled, '#') + QByteArray(kBarWidth - filled, '-');
    std::fprintf(FErrors, "\r[%s] %d/%d", bar.constData(), FPosition, FTotal);
    std::fflush(FErrors);
}
