#pragma once

#include <QString>

#include <ctime>
#include <optional>
#include <vector>

#include "batch/BatchList.h"
#include "batch/OutputTree.h"
#include "batch/WorkerClient.h"
#include "settings/Settings.h"

// What became of one size of one source that was not written.
struct TSizeOutcome {
    // The file that could not be written, or the folder that could not be made.
    QString OutputPath;
    // Why, in the system's or the engine's words.
    QString Reason;
};

// One output written.
struct TWrittenOutput {
    QString OutputPath;
    TDimensions Dimensions;
    qint64 Bytes = 0;
    // Its name lost the end of the source's name to fit the file system.
    bool Shortened = false;
};

enum class TFileOutcome { Processed, NonSupported, NotWritten, Skipped };

// What became of one file, for whoever shows the run.
struct TFileReport {
    TFileOutcome Outcome = TFileOutcome::NonSupported;
    std::vector<TWrittenOutput> Written;
    std::vector<TSizeOutcome> NotWritten;
    QString PartialReadReason;
    // Why the file is not supported, when known: the engine's reason ("no decoder for this
    // format", or the decoder's own words), the worker was lost over it (it crashed, hung or went
    // past a limit), or the source was refused unread.
    QString Failure;
    // The worker was lost over this file and replaced.
    bool WorkerLost = false;
};

// One file between the run's steps: its folders open and its outputs named, then its bytes read
// and handed to a worker, then its outputs written.
struct TPreparedFile {
    TListedFile Listed;
    TWorkRequest Request;
    // The open folder of each size of the request's plan, in its order.
    std::vector<SafeWrite::TFolder> Folders;
    // The file each size of the plan goes to, in its order; decided when the file was taken.
    std::vector<TOutputName> Outputs;
    // The source's modification time, which its outputs get when the run keeps dates.
    std::optional<timespec> SourceModified;
    bool KeepDates = false;
    TFileReport Report;
    // False when the file is handled already (nothing asked of it, no folder to write in).
    bool NeedsWorker = false;
};

// The run's own part of the work on one file, around the worker's: make the size folders and
// name the outputs when the file is taken, in list order, so that any number of files at once
// gives the names one at a time gives; then, on any thread, read the source, have the worker
// make the outputs and write them.
class TFileWork {
public:
    // The run works with the settings it started with: its plan is made here. Each file's
    // outputs take the format its settings choose for it.
    TFileWork(const TSettings& RunSettings, const QString& OutputRoot);

    // Opens the output root the first time (and holds it for the run: a link swapped in for it
    // later receives nothing), the size folders below it, and claims the outputs' names. When the
    // settings skip what is up to date, a file whose outputs all exist, none older than it, is
    // handled here as skipped: its source is not read.
    TPreparedFile Prepare(const TListedFile& File);
    // Reads the source into Buffer (refused unread when larger than MaxSourceBytes), has Worker
    // make the outputs and writes them. Touches nothing of the run but File and Buffer, so files
    // complete side by side; Buffer keeps its memory for the next file.
    static void Complete(TPreparedFile& File, TWorkerClient& Worker, qint64 MaxSourceBytes,
                         QByteArray& Buffer);
    // Brings the run's outputs to the disk at its end; empty, or the system's reason.
    QString FlushToDisk() const { return FTree.FlushToDisk(); }

private:
    // Leaves out of File's plan the sizes whose folder cannot be made, noting each in its
    // report; opens the folder and names the output of every size kept.
    void OpenFolders(TPreparedFile& File);

    // What the run makes of every file; each file's copy loses the sizes it cannot write.
    TOutputPlan FPlan;
    std::int32_t FFormatChoice;
    bool FKeepDates;
    bool FSkipExisting;
    TOutputTree FTree;
    SafeWrite::TOpenedFolder FRoot;
};
