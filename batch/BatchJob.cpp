#include "BatchJob.h"

#include <QMetaObject>

#include <algorithm>

#include "batch/JobSlot.h"
#include "batch/RunBudget.h"
#include "engine/MagickImage.h"
#include "platform/Errors.h"
#include "platform/Processors.h"

namespace {

// The files a slot holds at most: the one its worker is on and the next.
constexpr int kFilesPerSlot = 2;

} // namespace

TBatchJob::TBatchJob(IBatchList& List, const TSettings& RunSettings, const QString& OutputRoot,
                     const TJobOptions& Options, QObject* Parent)
    : QObject(Parent), FList(List), FWork(RunSettings, OutputRoot), FOptions(Options) {}

TBatchJob::~TBatchJob() {
    // The slots may still tell of their files: this object is alive until they are joined.
    FSlots.clear();
    if (FEnding.joinable()) {
        FEnding.join();
    }
}

template <typename TWork> void TBatchJob::Post(TWork Work) {
    QMetaObject::invokeMethod(this, std::move(Work), Qt::QueuedConnection);
}

void TBatchJob::Start() {
    // The engine runs in the workers: this process only needs to know that it loads.
    if (!MagickLoaded) {
        throw EInvalidGraphic("ImageMagick library not loaded");
    }
    WorkerProgram(FOptions.Workers); // raises when there is none, before anything starts
    FCounts = {};
    FCounts.Total = FList.WaitingCount();
    FRunning = true;
    const int jobs = std::clamp(FOptions.Jobs, 1, std::max(FCounts.Total, 1));
    const TSlotBudget budget =
        SlotBudgetFor(FOptions.MemoryBudgetBytes, FOptions.Workers.MemoryLimitBytes, jobs);
    TWorkerSettings workers = FOptions.Workers;
    workers.MemoryLimitBytes = budget.WorkerBytes;
    if (workers.EngineThreads == 0) {
        // Each engine gets its share of the processors.
        workers.EngineThreads = std::max(1, UsableProcessorCount() / jobs);
    }
    if (FCounts.Total == 0) {
        Post([this] { EndWhenDone(); });
        return;
    }
    TJobSlot::TEvents events;
    events.Ready = [this](int Slot) { Post([this, Slot] { SlotReady(Slot); }); };
    events.StartFailed = [this](int, const QString& Reason) {
        Post([this, Reason] { StartFailed(Reason); });
    };
    events.Completed = [this](int Slot, std::shared_ptr<TPreparedFile> File) {
        Post([this, Slot, File] { Completed(Slot, File); });
    };
    FSlotReady.assign(static_cast<std::size_t>(jobs), false);
    FSlotFiles.assign(static_cast<std::size_t>(jobs), 0);
    for (int slot = 0; slot < jobs; ++slot) {
        FSlots.push_back(std::make_unique<TJobSlot>(slot, workers, budget.MaxSourceBytes, events));
    }
}

void TBatchJob::Stop() {
    if (!FRunning || FStopping) {
        return;
    }
    FStopping = true;
    // Stop may come from a handler of the job's own events, while a file is being taken.
    Post([this] { EndWhenDone(); });
}

void TBatchJob::SlotReady(int Slot) {
    FSlotReady[static_cast<std::size_t>(Slot)] = true;
    Feed();
}

void TBatchJob::Feed() {
    // Every ready slot gets one file before any gets a second, so a short list is shared out.
    for (int share = 1; share <= kFilesPerSlot; ++share) {
        for (std::size_t slot = 0; slot < FSlotReady.size(); ++slot) {
            while (FSlotReady[slot] && FSlotFiles[slot] < share && !FStopping && !FEnded) {
                const std::optional<TListedFile> next = FList.TakeNext();
                if (!next) {
                    EndWhenDone();
                    return;
                }
                emit FileStarted(*next);
                auto file = std::make_shared<TPreparedFile>();
                try {
                    *file = FWork.Prepare(*next);
                } catch (...) {
                    // Whatever went wrong with this file (out of memory), the run goes on.
                    file->Listed = *next;
                }
                if (!file->NeedsWorker) {
                    Handled(*file);
                    continue;
                }
                ++FSlotFiles[slot];
                FSlots[slot]->Give(std::move(file));
            }
        }
    }
    EndWhenDone();
}

void TBatchJob::Completed(int Slot, const std::shared_ptr<TPreparedFile>& File) {
    --FSlotFiles[static_cast<std::size_t>(Slot)];
    Handled(*File);
    Feed();
}

void TBatchJob::StartFailed(const QString& Reason) {
    if (FCounts.StartError.isEmpty()) {
        FCounts.StartError = Reason;
    }
    Stop();
}

void TBatchJob::Handled(const TPreparedFile& File) {
    const TFileReport& report = File.Report;
    if (!report.PartialReadReason.isEmpty()) {
        ++FCounts.PartlyRead;
    }
    switch (report.Outcome) {
    case TFileOutcome::Processed:
        ++FCounts.Processed;
        break;
    case TFileOutcome::NonSupported:
        ++FCounts.NonSupported;
        break;
    case TFileOutcome::NotWritten:
        ++FCounts.NotWritten;
        break;
    case TFileOutcome::Skipped:
        ++FCounts.Skipped;
        break;
    }
    emit FileHandled(File.Listed, report);
    if (report.Outcome == TFileOutcome::NotWritten) {
        FList.KeepEntry(File.Listed.Key);
    } else {
        FList.DeleteEntry(File.Listed.Key);
    }
    ++FDone;
    emit Progress(FDone, FCounts.Total);
}

void TBatchJob::EndWhenDone() {
    const bool underWay =
        std::any_of(FSlotFiles.begin(), FSlotFiles.end(), [](int Files) { return Files > 0; });
    if (FEnded || underWay || (!FStopping && FList.WaitingCount() > 0)) {
        return;
    }
    FEnded = true;
    FCounts.Cancelled = FList.WaitingCount() > 0;
    // The workers are told to end first: they take a while to give their memory back, and the
    // flush need not wait for them.
    for (const std::unique_ptr<TJobSlot>& slot : FSlots) {
        slot->Close();
    }
    FEnding = std::thread([this, closing = std::move(FSlots)]() mutable {
        QString flushError = FWork.FlushToDisk();
        closing.clear();
        Post([this, flushError] {
            FEnding.join();
            FCounts.FlushError = flushError;
            FRunning = false;
            FList.RunEnded();
            emit Finished(FCounts);
        });
    });
}
