#include "BatchRun.h"

#include <limits>
#include <optional>
#include <vector>

#include "engine/MagickImage.h"
#include "platform/FileNames.h"
#include "platform/RegularFile.h"

namespace {

// Sources are read whole before decoding; larger ones than the engine's byte count takes are
// refused, not half read.
constexpr qint64 kMaxSourceBytes = std::numeric_limits<std::uint32_t>::max();

// Returns the view to idle when a run leaves by an error.
class TIdleOnError {
public:
    explicit TIdleOnError(IBatchView& View) : FView(View) {}
    TIdleOnError(const TIdleOnError&) = delete;
    TIdleOnError& operator=(const TIdleOnError&) = delete;
    ~TIdleOnError() {
        if (FArmed) {
            FView.SetProcessing(false, 0);
        }
    }
    void Disarm() { FArmed = false; }

private:
    IBatchView& FView;
    bool FArmed = true;
};

} // namespace

QString FilesProcessedText(int Done, int Total) {
    return QStringLiteral(" Files processed: %1 of %2").arg(Done).arg(Total);
}

QString NoFilesText() {
    return QStringLiteral("There are no image files loaded");
}

TBatchRun::TBatchRun(IBatchList& List, IBatchView& View, const TSettings& RunSettings,
                     const QString& OutputRoot)
    : FList(List), FView(View), FSettings(RunSettings), FTree(OutputRoot) {}

TBatchCounts TBatchRun::Execute() {
    TBatchCounts counts;
    if (FList.Count() == 0) {
        FView.ShowWarning(NoFilesText());
        return counts;
    }

    counts.Total = FList.Count();
    FView.SetProcessing(true, counts.Total);
    TIdleOnError idleOnError(FView);
    FView.SetStatusLabel1(QStringLiteral("Processing..."));

    TMagickImage::CheckLibraryLoaded();
    int position = 0;
    while (FList.Count() > 0 && !FView.Idle()) {
        const QString path = FList.FirstPath();
        const QString subfolder = FList.FirstSubfolder();
        TFileReport report;
        FView.RunFileWork([&] { report = ProcessFile(path, subfolder); });
        ShowReport(path, report, counts);
        ++position;
        FView.SetProgress(position);
        FView.ShowFilesProcessed(position, counts.Total);
        FList.DeleteEntry(path);
        FView.ProcessMessages();
    }
    counts.Cancelled = FList.Count() > 0;
    counts.FlushError = FTree.FlushToDisk();

    FView.SetStatusLabel1(QStringLiteral("Files Processed: %1").arg(counts.Processed));
    FView.SetStatusLabel2(QStringLiteral("Non Supported files: %1").arg(counts.NonSupported));
    FView.SetStatusLabel3(counts.NotWritten > 0
                              ? QStringLiteral("Not written: %1").arg(counts.NotWritten)
                              : QString());
    FView.ShowFilesProcessed(0, FList.Count());
    idleOnError.Disarm();
    FView.SetProcessing(false, 0);
    return counts;
}

void TBatchRun::ShowReport(const QString& Path, const TFileReport& Report, TBatchCounts& Counts) {
    for (const TWrittenOutput& written : Report.Written) {
        FView.ReportWritten(Path, written);
    }
    for (const TSizeOutcome& notWritten : Report.NotWritten) {
        FView.ReportNotWritten(Path, notWritten);
    }
    if (!Report.PartialReadReason.isEmpty()) {
        ++Counts.PartlyRead;
        FView.ReportPartlyRead(Path, Report.PartialReadReason);
    }
    switch (Report.Outcome) {
    case TFileOutcome::Processed:
        ++Counts.Processed;
        break;
    case TFileOutcome::NonSupported:
        ++Counts.NonSupported;
        FView.ReportNonSupported(Path);
        break;
    case TFileOutcome::NotWritten:
        ++Counts.NotWritten;
        break;
    }
}

TBatchRun::TFileReport TBatchRun::ProcessFile(const QString& Path, const QString& Subfolder) {
    TFileReport report;
    TOutputPlan plan = PlanFor(FSettings);
    if (plan.Sizes.empty()) {
        report.Outcome = TFileOutcome::Processed; // nothing asked of this file
        return report;
    }
    try {
        // Folders first: a size whose folder cannot be made is left out, so the next size is
        // fitted as if it had not been asked for.
        const std::size_t asked = plan.Sizes.size();
        std::vector<SafeWrite::TFolder> folders;
        OpenFolders(plan, Subfolder, folders, report);
        bool allWritten = folders.size() == asked;
        if (folders.empty()) {
            report.Outcome = TFileOutcome::NotWritten;
            return report;
        }
        const std::optional<QByteArray> source = ReadRegularFile(Path, kMaxSourceBytes);
        if (!source) {
            return report;
        }
        const TPhotoOutputs made = MakePhotoOutputs(*source, FileExtension(Path), plan);
        if (!made.Decoded) {
            return report;
        }
        report.PartialReadReason = made.PartialReadReason;
        for (std::size_t i = 0; i < made.Outputs.size(); ++i) {
            allWritten =
                WriteOutput(Path, Subfolder, made.Outputs[i], folders[i], report) && allWritten;
        }
        report.Outcome = allWritten ? TFileOutcome::Processed : TFileOutcome::NotWritten;
    } catch (...) {
        // Whatever went wrong with this file (a size too large, out of memory), the run goes on.
        report.Outcome = TFileOutcome::NonSupported;
    }
    return report;
}

void TBatchRun::OpenFolders(TOutputPlan& Plan, const QString& Subfolder,
                            std::vector<SafeWrite::TFolder>& Folders, TFileReport& Report) const {
    std::vector<TOutputRequest> kept;
    for (const TOutputRequest& request : Plan.Sizes) {
        SafeWrite::TOpenedFolder opened = FTree.OpenSizeFolder(request.Size, Subfolder);
        if (!opened.Error.isEmpty()) {
            Report.NotWritten.push_back(
                {FTree.SizeFolder(request.Size, Subfolder),
                 QStringLiteral("cannot create the folder: ") + opened.Error});
            continue;
        }
        kept.push_back(request);
        Folders.push_back(std::move(opened.Folder));
    }
    Plan.Sizes = std::move(kept);
}

bool TBatchRun::WriteOutput(const QString& Path, const QString& Subfolder,
                            const TEncodedOutput& Output, const SafeWrite::TFolder& Folder,
                            TFileReport& Report) {
    const QString outputPath = FTree.OutputPath(Path, Output.Size, Subfolder);
    QString reason = Output.Error;
    if (!Output.Jpeg.isEmpty()) {
        reason =
            SafeWrite::WriteFileIn(Folder, EncodeFileName(FileNamePart(outputPath)), Output.Jpeg);
    }
    if (!reason.isEmpty()) {
        Report.NotWritten.push_back({outputPath, reason});
        return false;
    }
    FTree.Claim(outputPath, Path);
    Report.Written.push_back({outputPath, Output.Dimensions, Output.Jpeg.size()});
    return true;
}
