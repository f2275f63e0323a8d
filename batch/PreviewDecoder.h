#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "batch/PreviewPicture.h"
#include "batch/WorkerProcess.h"

// Picture files made small for previews by a worker process, off the thread that asks: the asking
// thread goes on serving its events meanwhile, and no picture is decoded in its process. One
// thread of its own serves the requests in turn with one worker, started at the first request,
// replaced after a failure and ended after a while without requests, so that an idle window
// holds no worker's memory.
class TPreviewDecoder : public QObject {
    Q_OBJECT

public:
    explicit TPreviewDecoder(const TWorkerSettings& Workers, QObject* Parent = nullptr);
    // Ends the worker, abandoning the request under way, if any.
    ~TPreviewDecoder() override;
    TPreviewDecoder(const TPreviewDecoder&) = delete;
    TPreviewDecoder& operator=(const TPreviewDecoder&) = delete;

    // The worker program and its limits, for the requests from now on.
    void SetWorkerSettings(const TWorkerSettings& Workers);

    // Asks for the file at FileName made small (see TPreviewRequest); Decoded follows, on this
    // object's thread, with the ticket returned here.
    quint64 Decode(const QString& FileName, int LongSide, bool Enlarge);
    // Forgets the requests not yet begun: nothing follows for them.
    void DropWaiting();

signals:
    // Picture.Decoded is false when the file could not be read, held no picture the worker could
    // decode, or cost the worker.
    void Decoded(quint64 Ticket, const TPreviewPicture& Picture);

private:
    struct TAsked {
        quint64 Ticket = 0;
        QString FileName;
        int LongSide = 0;
        bool Enlarge = true;
    };

    void Serve();
    // The next request, or nothing when the decoder is closing or, while a worker is kept
    // (WorkerKept), when none came for a while.
    std::optional<TAsked> Next(std::unique_lock<std::mutex>& Lock, bool WorkerKept);

    std::mutex FMutex;
    std::condition_variable FChanged;
    std::deque<TAsked> FWaiting;
    TWorkerSettings FWorkers;
    bool FWorkersChanged = false;
    std::atomic<bool> FClosed = false;
    quint64 FLastTicket = 0;
    std::thread FThread;
};
