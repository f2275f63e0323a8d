#pragma once

#include <QString>

#include <vector>

#include "batch/OutputTree.h"
#include "batch/WorkerProcess.h"
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
};

enum class TFileOutcome { Processed, NonSupported, NotWritten };

// What became of one file, for the view.
struct TFileReport {
    TFileOutcome Outcome = TFileOutcome::NonSupported;
    std::vector<TWrittenOutput> Written;
    std::vector<TSizeOutcome> NotWritten;
    QString PartialReadReason;
    // Why the worker was lost over this file (it crashed, hung, or went past a limit).
    QString WorkerFailure;
};

// A file of the list and the folders, ending in "/", that its outputs go into below each size
// folder (empty for the size folder itself).
struct TListedFile {
    QString Path;
    QString Subfolder;
};

// One file between the run's steps: its folders open, its bytes read, its request for the worker.
struct TPreparedFile {
    QString Path;
    QString Subfolder;
    TWorkRequest Request;
    // The open folder of each size of the request's plan, in its order.
    std::vector<SafeWrite::TFolder> Folders;
    TFileReport Report;
    // False when the file is handled already (nothing asked of it, no folder, nothing to read).
    bool NeedsWorker = false;
};

// The run's own part of the work on one file, around the worker's: before it, make the size
// folders and read the source; after it, write the outputs under their names. The names are
// decided when the outputs are written, so files finished in list order get the names one file
// at a time would give them.
class TFileWork {
public:
    // The run works with the settings it started with: its plan is made here.
    TFileWork(const TSettings& RunSettings, const QString& OutputRoot);

    TPreparedFile Prepare(const TListedFile& File) const;
    // Writes what the worker made of File and completes its report.
    void Finish(TPreparedFile& File, const TWorkerReply& Reply);
    // Brings the run's outputs to the disk at its end; empty, or the system's reason.
    QString FlushToDisk() const { return FTree.FlushToDisk(); }

private:
    // Leaves out of Plan the sizes whose folder cannot be made, noting each in Report; Folders
    // gets the open folder of every size kept, in the plan's order.
    void OpenFolders(TOutputPlan& Plan, const QString& Subfolder,
                     std::vector<SafeWrite::TFolder>& Folders, TFileReport& Report) const;
    // Writes one output; false when it was not written (noted in Report).
    bool WriteOutput(const TPreparedFile& File, const TEncodedOutput& Output,
                     const SafeWrite::TFolder& Folder, TFileReport& Report);

    // What the run makes of every file; each file's copy loses the sizes it cannot write.
    TOutputPlan FPlan;
    TOutputTree FTree;
};
