#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "batch/BatchList.h"
#include "batch/FileWork.h"
#include "batch/WorkerProcess.h"
#include "settings/Settings.h"

class TJobSlot;

// The counts of one run.
struct TBatchCounts {
    // The entries waiting when the run started.
    int Total = 0;
    // Loaded, and every enabled size written.
    int Processed = 0;
    // The engine could not read the file, or another error was raised for it.
    int NonSupported = 0;
    // Loaded, but at least one enabled size could not be written.
    int NotWritten = 0;
    // Skipped: every output already there and up to date.
    int Skipped = 0;
    // Files read only in part (cut short); they are counted above as well.
    int PartlyRead = 0;
    // Stopped with files left in the list.
    bool Cancelled = false;
    // Why the outputs could not be flushed to the disk at the end of the run; empty when they
    // were.
    QString FlushError;
    // Why no worker could be started; the run then stopped as if cancelled.
    QString StartError;
};

// How a run works: its workers, how many files at once, and its memory.
struct TJobOptions {
    TWorkerSettings Workers;
    // Files at once, each with a worker of its own.
    int Jobs = 1;
    // The run's memory, shared out among the files at once (see SlotBudgetFor); 0 for the
    // default.
    std::uint64_t MemoryBudgetBytes = 0;
};

// A batch run as a job that starts, reports events and finishes: it works through a file list,
// makes each enabled size of each file (Large, then Medium, then Thumb, each from the one
// before), writes them into the output tree and counts the outcomes. Jobs files are decoded and
// encoded at once, each by a worker process of its own. Each worker holds its file and the next
// one, so that it never waits for this thread between two files: a file is taken from the top
// of the list whenever a worker has room, named then (so any number of jobs gives the names one
// gives), and written as soon as its worker is done. Cancel finishes the files taken. The job
// lives on the thread that starts it and reports there; it never waits there for a file. Knows
// no widget.
class TBatchJob : public QObject {
    Q_OBJECT

public:
    // OutputRoot is the folder the size folders go below. Settings are copied: a run works with
    // the values it started with.
    TBatchJob(IBatchList& List, const TSettings& RunSettings, const QString& OutputRoot,
              const TJobOptions& Options, QObject* Parent = nullptr);
    // Stops taking files and waits for the files under way and the workers' end.
    ~TBatchJob() override;
    TBatchJob(const TBatchJob&) = delete;
    TBatchJob& operator=(const TBatchJob&) = delete;

    // Starts the workers; Finished follows from the event loop, an empty list included. Raises,
    // with nothing started, when the engine is not loaded or there is no worker program.
    void Start();
    // Cancel: no file starts any more; the files under way are finished, written and reported.
    void Stop();
    bool IsRunning() const { return FRunning; }
    const TBatchCounts& Counts() const { return FCounts; }

signals:
    // File was taken from the list and is under way.
    void FileStarted(const TListedFile& File);
    // File was handled and its entry deleted from the list.
    void FileHandled(const TListedFile& File, const TFileReport& Report);
    // Done files of Total handled so far.
    void Progress(int Done, int Total);
    // Everything written is on the disk (or FlushError says why not); nothing runs any more.
    void Finished(const TBatchCounts& Counts);

private:
    // Gives every ready slot files up to its share, handling at once the files that need no
    // worker.
    void Feed();
    void SlotReady(int Slot);
    void Completed(int Slot, const std::shared_ptr<TPreparedFile>& File);
    void StartFailed(const QString& Reason);
    void Handled(const TPreparedFile& File);
    // Ends the run once nothing is under way and nothing more will start.
    void EndWhenDone();
    // Hands Work to the job's thread, from a slot's.
    template <typename TWork> void Post(TWork Work);

    IBatchList& FList;
    TFileWork FWork;
    TJobOptions FOptions;
    std::vector<std::unique_ptr<TJobSlot>> FSlots;
    // Per slot: its worker is ready, and the files it holds (under way and waiting).
    std::vector<bool> FSlotReady;
    std::vector<int> FSlotFiles;
    // Closes the slots and flushes the outputs at the end, off the job's thread.
    std::thread FEnding;
    TBatchCounts FCounts;
    int FDone = 0;
    bool FRunning = false;
    bool FStopping = false;
    bool FEnded = false;
};
