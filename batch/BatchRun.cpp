#include "BatchRun.h"

#include <algorithm>

#include "batch/ParallelRun.h"
#include "engine/MagickImage.h"

namespace {

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
                     const QString& OutputRoot, const TWorkerSettings& Workers, int Jobs)
    : FList(List), FView(View), FWork(RunSettings, OutputRoot), FWorkerSettings(Workers),
      FJobs(std::max(Jobs, 1)), FWorker(Workers) {}

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
    FPosition = 0;
    if (FJobs > 1 && counts.Total > 1) {
        RunInParallel(counts);
    } else {
        RunInTurn(counts);
    }
    counts.Cancelled = FList.Count() > 0;

    FView.SetStatusLabel1(QStringLiteral("Files Processed: %1").arg(counts.Processed));
    FView.SetStatusLabel2(QStringLiteral("Non Supported files: %1").arg(counts.NonSupported));
    FView.SetStatusLabel3(counts.NotWritten > 0
                              ? QStringLiteral("Not written: %1").arg(counts.NotWritten)
                              : QString());
    FView.ShowFilesProcessed(0, FList.Count());
    idleOnError.Disarm();
    FView.SetProcessing(false, 0);
    if (!counts.FlushError.isEmpty()) {
        // The outputs are in place, but a crash of the machine now could still lose them.
        FView.ShowWarning(
            QStringLiteral("The resized images could not be flushed to the disk: %1")
                .arg(counts.FlushError));
    }
    return counts;
}

void TBatchRun::RunInTurn(TBatchCounts& Counts) {
    // The worker itself starts with the first file, off the window's thread.
    WorkerProgram(FWorkerSettings);
    while (FList.Count() > 0 && !FView.Idle()) {
        const QString path = FList.FirstPath();
        const TListedFile file{path, FList.SubfolderOf(path)};
        TFileReport report;
        FView.RunFileWork([&] { report = ProcessFile(file); });
        Handled(path, report, Counts);
    }
    Counts.FlushError = FWork.FlushToDisk();
}

void TBatchRun::RunInParallel(TBatchCounts& Counts) {
    TParallelRun run(FWork, FWorkerSettings, FJobs);
    std::vector<TListedFile> files;
    for (const QString& path : FList.EntryPaths()) {
        files.push_back({path, FList.SubfolderOf(path)});
    }
    run.Execute(
        files, [this] { return FView.Idle(); },
        [&](const QString& Path, const TFileReport& Report) { Handled(Path, Report, Counts); },
        [&] { Counts.FlushError = FWork.FlushToDisk(); });
}

TFileReport TBatchRun::ProcessFile(const TListedFile& File) {
    try {
        TPreparedFile file = FWork.Prepare(File);
        if (file.NeedsWorker) {
            FWork.Finish(file, FWorker.Make(file.Request));
        }
        return file.Report;
    } catch (...) {
        // Whatever went wrong with this file (out of memory), the run goes on.
        return {};
    }
}

void TBatchRun::Handled(const QString& Path, const TFileReport& Report, TBatchCounts& Counts) {
    ShowReport(Path, Report, Counts);
    ++FPosition;
    FView.SetProgress(FPosition);
    FView.ShowFilesProcessed(FPosition, Counts.Total);
    FList.DeleteEntry(Path);
    FView.ProcessMessages();
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
        if (!Report.WorkerFailure.isEmpty()) {
            FView.ReportWorkerLost(Path, Report.WorkerFailure);
        }
        FView.ReportNonSupported(Path);
        break;
    case TFileOutcome::NotWritten:
        ++Counts.NotWritten;
        break;
    }
}
