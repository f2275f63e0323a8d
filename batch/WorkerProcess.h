#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>

#include "batch/WorkerChannel.h"
#include "batch/WorkerProtocol.h"
#include "platform/Descriptor.h"

// How a run's workers are started and bounded.
struct TWorkerSettings {
    // The worker program; empty for vellumkite-worker beside this program, or in
    // ../libexec/vellumkite from its folder (the installed layout).
    QString Program;
    // The resident memory a worker may reach. Well above the engine's own pixel limit (2 GiB), so
    // only what no engine limit covers (a text chunk inflating without end) meets it. The run
    // reads the worker's resident size while it waits, in every build; the address-space limit
    // set inside the worker is a second fence, in the builds without a sanitizer.
    std::uint64_t MemoryLimitBytes = std::uint64_t{3} << 30;
    // The time one photograph may take, on the clock and in CPU time.
    int SecondsPerFile = 300;
    // Threads the engine of each worker may use; 0 leaves it to the engine.
    int EngineThreads = 0;
    // Test runs only: workers honour the test requests (see TWorkerStart).
    bool TestTriggers = false;
    // The time a worker may take to start: loading the engine and its coders.
    int StartSeconds = 60;
};

// Raised when a worker cannot be started at all.
class EWorkerStart : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// vellumkite-worker beside this program, or in the installed layout; empty when neither exists.
QString FindWorkerProgram();
// The program Settings name, or the one found; raises EWorkerStart when there is none.
QString WorkerProgram(const TWorkerSettings& Settings);

// What a worker made of one photograph, or why the worker was lost over it.
struct TWorkerReply {
    // Nothing when the worker crashed, was killed by a limit, hung or sent a malformed message.
    std::optional<TPhotoOutputs> Outputs;
    QString Failure;
};

// What a worker made of one preview, or why the worker was lost over it.
struct TPreviewReply {
    // Nothing when the worker was lost.
    std::optional<TPreviewPicture> Picture;
    QString Failure;
};

// One worker process, seen from the run: started locked in, fed one photograph at a time,
// watched for its memory and time while it works. A worker that fails is ended and reaped at
// once; it is never asked again. The kernel kills a worker when the thread that started it ends,
// however the run ends: make one on a thread that outlives it (a run's slot, or a program's
// main thread).
class TWorkerProcess {
public:
    // Starts the worker and waits until it is locked in. Raises EWorkerStart. While the worker
    // is awaited, StillWanted (when given) is asked as often as the limits: once it says no, the
    // worker is ended and the request fails.
    explicit TWorkerProcess(const TWorkerSettings& Workers, TKeepWaiting StillWanted = {});
    // Closes the channel, so the worker ends, and reaps it.
    ~TWorkerProcess();
    TWorkerProcess(const TWorkerProcess&) = delete;
    TWorkerProcess& operator=(const TWorkerProcess&) = delete;

    TWorkerReply Make(const TWorkRequest& Request);
    TPreviewReply Preview(const TPreviewRequest& Request);
    // Test runs only: what the worker met trying to open File, connect and start Program.
    std::optional<QStringList> Probe(const TProbeRequest& Request);

    bool IsLost() const { return FPid < 0; }
    // The worker's process, -1 once it is lost; for tests.
    pid_t Pid() const { return FPid; }
    const TWorkerReady& Ready() const { return FReady; }

private:
    // Sends a request of Kind made of Parts and decodes the reply of ReplyKind with Decode: its
    // answer, or nothing when the worker was lost (then FFailure says why).
    template <typename TDecode>
    auto Ask(TWorkerMessage Kind, std::initializer_list<QByteArrayView> Parts,
             TWorkerMessage ReplyKind, std::uint64_t MaxPayload, TDecode Decode)
        -> decltype(Decode(QByteArray()));
    // The reply of kind Kind to the message just sent; nothing when the worker was lost (then
    // FFailure says why).
    std::optional<QByteArray> Await(TWorkerMessage Kind, std::uint64_t MaxPayload);
    // Starts the clock of what the worker is asked now: Seconds from now.
    void StartClock(int Seconds);
    // False once the worker has gone past its time or memory, or its answer is no longer wanted
    // (FFailure says which). Asked before every read of a reply: the clock every time, the memory
    // now and then.
    bool WithinLimits();
    // Ends the worker and reaps it; FFailure gets what ended it unless it is set already. A
    // worker whose channel closed is likely ending on its own: it is given a moment to, so that
    // it is reported by the status it ended with rather than by the kill.
    void Bury(bool ChannelClosed = false);

    TWorkerSettings FSettings;
    TKeepWaiting FStillWanted;
    pid_t FPid = -1;
    TDescriptor FChannel;
    // The worker's standard error, a pipe: what it writes there is passed on to ours while it is
    // awaited, so that it never waits on it (and never grows a file, which it may not).
    TDescriptor FDiagnosticsEnd;
    TRelay FDiagnostics;
    TWorkerReady FReady;
    bool FStarted = false;
    int FClockSeconds = 0;
    std::chrono::steady_clock::time_point FDeadline;
    std::chrono::steady_clock::time_point FNextMemoryCheck;
    QString FFailure;
};
