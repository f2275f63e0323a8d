#pragma once

#include <optional>

#include "batch/WorkerProcess.h"

// The worker a run's files go to, one at a time: started on first use, and replaced after a
// failure, so that a crash costs one file.
class TWorkerClient {
public:
    explicit TWorkerClient(const TWorkerSettings& Workers, TKeepWaiting StillWanted = {})
        : FSettings(Workers), FStillWanted(std::move(StillWanted)) {}

    // Starts the worker now, so that a run that cannot have one stops before its first file.
    // Raises EWorkerStart.
    void Start();
    TWorkerReply Make(const TWorkRequest& Request);
    TPreviewReply Preview(const TPreviewRequest& Request);

    // Ends the worker now; the next request starts another.
    void Stop() { FWorker.reset(); }

private:
    // AskWorker's reply from the worker, started if need be and dropped once lost.
    template <typename TReply, typename TAsk> TReply Ask(TAsk AskWorker);

    TWorkerSettings FSettings;
    TKeepWaiting FStillWanted;
    std::optional<TWorkerProcess> FWorker;
};
