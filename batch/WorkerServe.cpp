#include "WorkerServe.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "batch/WorkerChannel.h"
#include "engine/EnginePreload.h"
#include "platform/FileNames.h"
#include "platform/SafeWrite.h"
#include "platform/Sandbox.h"

namespace {

constexpr int kExitStartFailed = 1;
constexpr int kExitMalformedRequest = 2;

void Complain(const char* Text) {
    std::fprintf(stderr, "vellumkite-worker: %s\n", Text);
}

QString Outcome(const char* Attempt, bool Succeeded, int Error) {
    return QStringLiteral("%1: %2").arg(QLatin1String(Attempt), Succeeded
                                                                    ? QStringLiteral("succeeded")
                                                                    : SafeWrite::ReasonText(Error));
}

// Tries, from inside the lock, each way out a hostile picture would want.
QStringList Probe(const TProbeRequest& Request) {
    QStringList lines;
    const int file = ::open(EncodeFileName(Request.File).constData(), O_RDONLY | O_CLOEXEC);
    lines << Outcome("open", file >= 0, errno);
    if (file >= 0) {
        ::close(file);
    }

    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        lines << Outcome("connect", false, errno);
    } else {
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const QByteArray path = EncodeFileName(Request.SocketPath);
        std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
        const bool connected =
            ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        lines << Outcome("connect", connected, errno);
        ::close(socket);
    }

    const QByteArray program = EncodeFileName(Request.Program);
    char* const arguments[] = {const_cast<char*>(program.constData()), nullptr};
    char* const environment[] = {nullptr};
    ::execve(program.constData(), arguments, environment);
    lines << Outcome("run", false, errno);

    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    lines << Outcome("fork", child > 0, errno);
    return lines;
}

// What a test source asks of a worker that honours test triggers.
void ObeyTestTrigger(const QByteArray& Source, int Channel) {
    if (Source.startsWith(kCrashTrigger)) {
        std::abort();
    }
    if (Source.startsWith(kHangTrigger)) {
        volatile unsigned spin = 0;
        for (;;) {
            spin = spin + 1u;
        }
    }
    if (Source.startsWith(kComplainTrigger)) {
        std::fputs(kTestComplaint, stderr);
    }
    if (Source.startsWith(kTrickleTrigger)) {
        const QByteArray header = MessageHeader(TWorkerMessage::Outputs, 100);
        ssize_t sent = ::send(Channel, header.constData(), kWorkerHeaderBytes, MSG_NOSIGNAL);
        while (sent > 0) {
            const timespec pause = {0, 50'000'000};
            ::nanosleep(&pause, nullptr);
            sent = ::send(Channel, "x", 1, MSG_NOSIGNAL);
        }
        std::_Exit(0);
    }
}

// What Make makes of one picture: its empty result (nothing decoded: the run counts the file as
// not supported, the window cannot preview it) when the engine raised. A test source is obeyed
// first, and the CPU time counts from now.
template <typename TRequest, typename TMake>
auto MakeOfPicture(const TRequest& Request, TMake Make, int Channel, const TWorkerStart& Start)
    -> decltype(Make(Request)) {
    if (Start.TestTriggers) {
        ObeyTestTrigger(Request.Source, Channel);
    }
    LimitCpuTimeFromNow(Start.CpuSecondsPerFile);
    try {
        return Make(Request);
    } catch (...) {
        return {};
    }
}

} // namespace

int ServeWorker(int Channel, const TWorkerStart& Start) {
    if (!StartEngineSelfContained()) {
        Complain("the engine could not be started");
        return kExitStartFailed;
    }
    const TSandboxState sandbox = EnterSandbox({Channel, STDERR_FILENO, Start.AddressSpaceBytes});
    if (!sandbox.Error.isEmpty()) {
        Complain(EncodeFileName(sandbox.Error).constData());
        return kExitStartFailed;
    }
    if (!SendMessage(Channel, TWorkerMessage::Ready,
                     {EncodeReady({sandbox.FileSystemLocked, sandbox.FileSystemNote})})) {
        return 0;
    }
    for (;;) {
        TReceiveResult received = ReceiveMessage(Channel, kMaxWorkPayload);
        if (received.Status == TReceiveStatus::Closed) {
            return 0; // the run is over
        }
        if (received.Status != TReceiveStatus::Received) {
            return kExitMalformedRequest;
        }
        TReceivedMessage* message = &received.Message;
        QByteArray reply;
        TWorkerMessage replyKind = TWorkerMessage::Outputs;
        if (message->Kind == TWorkerMessage::Work) {
            const std::optional<TWorkRequest> request =
                DecodeWorkRequest(std::move(message->Payload));
            if (!request) {
                return kExitMalformedRequest;
            }
            reply = EncodePhotoOutputs(MakeOfPicture(
                *request,
                [](const TWorkRequest& Request) {
                    return MakePhotoOutputs(Request.Source, Request.ExtensionHint, Request.Plan);
                },
                Channel, Start));
        } else if (message->Kind == TWorkerMessage::Preview) {
            const std::optional<TPreviewRequest> request =
                DecodePreviewRequest(std::move(message->Payload));
            if (!request) {
                return kExitMalformedRequest;
            }
            replyKind = TWorkerMessage::PreviewPicture;
            reply =
                EncodePreviewPicture(MakeOfPicture(*request, MakePreviewPicture, Channel, Start));
        } else if (message->Kind == TWorkerMessage::Probe && Start.TestTriggers) {
            const std::optional<TProbeRequest> request = DecodeProbeRequest(message->Payload);
            if (!request) {
                return kExitMalformedRequest;
            }
            replyKind = TWorkerMessage::ProbeResult;
            reply = EncodeProbeResult(Probe(*request));
        } else {
            return kExitMalformedRequest;
        }
        if (!SendMessage(Channel, replyKind, {reply})) {
            return 0;
        }
    }
}
