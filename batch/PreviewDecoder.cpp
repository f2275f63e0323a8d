#include "PreviewDecoder.h"

#include <chrono>
#include <optional>

#include "batch/RunBudget.h"
#include "batch/WorkerClient.h"
#include "platform/FileNames.h"
#include "platform/RegularFile.h"

namespace {

// How long an idle worker is kept for the next preview.
constexpr std::chrono::seconds kIdleWorkerKept{20};

// A worker's limits as one file at once of a run has them.
TWorkerSettings OneAtOnce(TWorkerSettings Workers, qint64& MaxSourceBytes) {
    const TSlotBudget budget = SlotBudgetFor(0, Workers.MemoryLimitBytes, 1);
    Workers.MemoryLimitBytes = budget.WorkerBytes;
    MaxSourceBytes = budget.MaxSourceBytes;
    return Workers;
}

} // namespace

TPreviewDecoder::TPreviewDecoder(const TWorkerSettings& Workers, QObject* Parent)
    : QObject(Parent), FWorkers(Workers), FThread([this] { Serve(); }) {}

TPreviewDecoder::~TPreviewDecoder() {
    {
        const std::lock_guard lock(FMutex);
        FClosed = true;
        FWaiting.clear();
    }
    FChanged.notify_one();
    FThread.join();
}

void TPreviewDecoder::SetWorkerSettings(const TWorkerSettings& Workers) {
    const std::lock_guard lock(FMutex);
    FWorkers = Workers;
    FWorkersChanged = true;
}

quint64 TPreviewDecoder::Decode(const QString& FileName, int LongSide, bool Enlarge) {
    quint64 ticket = 0;
    {
        const std::lock_guard lock(FMutex);
        ticket = ++FLastTicket;
        FWaiting.push_back({ticket, FileName, LongSide, Enlarge});
    }
    FChanged.notify_one();
    return ticket;
}

void TPreviewDecoder::DropWaiting() {
    const std::lock_guard lock(FMutex);
    FWaiting.clear();
}

std::optional<TPreviewDecoder::TAsked> TPreviewDecoder::Next(std::unique_lock<std::mutex>& Lock,
                                                             bool WorkerKept) {
    const auto asked = [this] { return FClosed || !FWaiting.empty(); };
    // Without a worker there is nothing to end: the thread sleeps until it is asked.
    if (WorkerKept) {
        FChanged.wait_for(Lock, kIdleWorkerKept, asked);
    } else {
        FChanged.wait(Lock, asked);
    }
    if (FClosed || FWaiting.empty()) {
        return std::nullopt;
    }
    TAsked next = std::move(FWaiting.front());
    FWaiting.pop_front();
    return next;
}

void TPreviewDecoder::Serve() {
    // The worker is started and ended on this thread: the kernel ends it with the thread.
    qint64 maxSourceBytes = 0;
    std::unique_lock lock(FMutex);
    std::optional<TWorkerClient> worker;
    QByteArray source; // one buffer for every source read
    while (!FClosed) {
        const std::optional<TAsked> asked = Next(lock, worker.has_value());
        if (!asked) {
            // Idle for a while, or closing: the worker ends and its memory goes back.
            lock.unlock();
            worker.reset();
            lock.lock();
            continue;
        }
        const bool restart = !worker || FWorkersChanged;
        const TWorkerSettings workers = FWorkers;
        FWorkersChanged = false;
        lock.unlock(); // a worker takes a while to start: the asking thread never waits on it
        if (restart) {
            // A window that closes does not wait for a picture it will never show.
            worker.emplace(OneAtOnce(workers, maxSourceBytes), [this] { return !FClosed; });
        }
        TPreviewPicture picture;
        if (ReadRegularFileInto(asked->FileName, maxSourceBytes, source)) {
            const TPreviewRequest request{source, FileExtension(asked->FileName), asked->LongSide,
                                          asked->Enlarge};
            picture = worker->Preview(request).Picture.value_or(TPreviewPicture{});
        }
        QMetaObject::invokeMethod(
            this, [this, ticket = asked->Ticket, picture] { emit Decoded(ticket, picture); },
            Qt::QueuedConnection);
        lock.lock();
    }
}
