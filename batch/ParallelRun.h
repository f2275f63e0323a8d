#pragma once

#include <QString>

#include <functional>

#include "batch/FileWork.h"
#include "batch/WorkerProcess.h"

// Works on several files at once, one worker process each, and hands every file back in list
// order, so that names, reports and counts are those of one file at a time. The largest file
// not yet started goes out first, so that one big file does not finish alone at the end.
class TParallelRun {
public:
    // Jobs workers; each engine gets its share of the processors unless Workers says otherwise.
    TParallelRun(TFileWork& Work, const TWorkerSettings& Workers, int Jobs);

    // Starts the workers (raises EWorkerStart when one cannot be) and works through Files.
    // Stopped is asked before each file starts: once it is true no file starts and the files
    // under way are finished. Handled is called for every file that was started, in list order,
    // on the calling thread, which alone touches Work. AllHandled is called after the last of
    // them, while the workers end.
    void Execute(const std::vector<TListedFile>& Files, const std::function<bool()>& Stopped,
                 const std::function<void(const QString&, const TFileReport&)>& Handled,
                 const std::function<void()>& AllHandled);

private:
    // The steps of the run's own part; a file whose step raises is counted as non-supported.
    TPreparedFile PrepareGuarded(const TListedFile& File) const;
    void FinishGuarded(TPreparedFile& File, const TWorkerReply& Reply);

    TFileWork& FWork;
    TWorkerSettings FWorkers;
    int FJobs;
};
