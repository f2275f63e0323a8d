#include "WorkerClient.h"

void TWorkerClient::Start() {
    if (!FWorker) {
        FWorker.emplace(FSettings, FStillWanted);
    }
}

template <typename TReply, typename TAsk> TReply TWorkerClient::Ask(TAsk AskWorker) {
    try {
        Start();
    } catch (const EWorkerStart& error) {
        TReply failed;
        failed.Failure = QString::fromStdString(error.what());
        return failed;
    }
    TReply reply = AskWorker(*FWorker);
    if (FWorker->IsLost()) {
        FWorker.reset();
    }
    return reply;
}

TWorkerReply TWorkerClient::Make(const TWorkRequest& Request) {
    return Ask<TWorkerReply>([&](TWorkerProcess& Worker) { return Worker.Make(Request); });
}

TPreviewReply TWorkerClient::Preview(const TPreviewRequest& Request) {
    return Ask<TPreviewReply>([&](TWorkerProcess& Worker) { return Worker.Preview(Request); });
}
