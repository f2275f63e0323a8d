#include "JobSlot.h"

TJobSlot::TJobSlot(int Index, const TWorkerSettings& Workers, qint64 MaxSourceBytes, TEvents Events)
    : FIndex(Index), FWorkers(Workers), FMaxSourceBytes(MaxSourceBytes), FEvents(std::move(Events)),
      FThread([this] { Serve(); }) {}

TJobSlot::~TJobSlot() {
    Close();
    FThread.join();
}

void TJobSlot::Give(std::shared_ptr<TPreparedFile> File) {
    {
        const std::lock_guard lock(FMutex);
        FWaiting.push_back(std::move(File));
    }
    FChanged.notify_one();
}

void TJobSlot::Close() {
    {
        const std::lock_guard lock(FMutex);
        FClosed = true;
    }
    FChanged.notify_one();
}

std::shared_ptr<TPreparedFile> TJobSlot::Next() {
    std::unique_lock lock(FMutex);
    FChanged.wait(lock, [this] { return FClosed || !FWaiting.empty(); });
    if (FWaiting.empty()) {
        return nullptr;
    }
    std::shared_ptr<TPreparedFile> next = std::move(FWaiting.front());
    FWaiting.pop_front();
    return next;
}

void TJobSlot::Serve() {
    // Started here, so that slots start their workers side by side, and ended here: the kernel
    // ends a worker with the thread that started it.
    TWorkerClient worker(FWorkers);
    try {
        worker.Start();
    } catch (const EWorkerStart& error) {
        FEvents.StartFailed(FIndex, QString::fromStdString(error.what()));
        return;
    }
    FEvents.Ready(FIndex);
    QByteArray source; // one buffer for every source this slot reads
    while (std::shared_ptr<TPreparedFile> file = Next()) {
        TFileWork::Complete(*file, worker, FMaxSourceBytes, source);
        FEvents.Completed(FIndex, std::move(file));
    }
}
