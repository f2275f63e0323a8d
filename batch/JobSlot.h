#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "batch/FileWork.h"
#include "batch/WorkerProcess.h"

// One place of a run: a thread of its own with one worker process, which it starts, feeds one
// file at a time (reading its source, waiting for its worker, writing its outputs) and replaces
// after a failure.
class TJobSlot {
public:
    // What the slot tells, on its own thread: its worker is ready (or could not start), and a
    // file given to it is complete. Files given wait in turn; the slot takes the next as soon as
    // one is complete. The job gives a slot two at most, the one its worker is on and the next,
    // so that what waits here grows with the slots, never with the list.
    struct TEvents {
        std::function<void(int Slot)> Ready;
        std::function<void(int Slot, const QString& Reason)> StartFailed;
        std::function<void(int Slot, std::shared_ptr<TPreparedFile> File)> Completed;
    };

    TJobSlot(int Index, const TWorkerSettings& Workers, qint64 MaxSourceBytes, TEvents Events);
    // Closes the slot and waits for its file under way, if any, and its worker's end.
    ~TJobSlot();
    TJobSlot(const TJobSlot&) = delete;
    TJobSlot& operator=(const TJobSlot&) = delete;

    // Hands the slot a file, to work on after those given before it.
    void Give(std::shared_ptr<TPreparedFile> File);
    // No file follows: the thread ends, and with it the worker, once the file under way is done.
    void Close();

private:
    void Serve();
    // The next file, or nothing once the slot is closed.
    std::shared_ptr<TPreparedFile> Next();

    const int FIndex;
    const TWorkerSettings FWorkers;
    const qint64 FMaxSourceBytes;
    const TEvents FEvents;
    std::mutex FMutex;
    std::condition_variable FChanged;
    std::deque<std::shared_ptr<TPreparedFile>> FWaiting;
    bool FClosed = false;
    std::thread FThread;
};
