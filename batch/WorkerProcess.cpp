#include "WorkerProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "batch/WorkerChannel.h"
#include "platform/FileNames.h"
#include "platform/ProgramFolder.h"
#include "platform/SafeWrite.h"

namespace {

constexpr int kWorkerChannel = 3;
// Libraries, thread stacks and the allocator's arenas reserve address space they never touch.
constexpr std::uint64_t kAddressSpaceHeadroom = std::uint64_t{1} << 30;
// Reading /proc costs more than a look at the clock: the memory is read this often.
constexpr std::chrono::milliseconds kMemoryCheckInterval{100};
// How long a worker that closed its channel is given to end on its own.
constexpr std::chrono::milliseconds kEndGrace{1000};
constexpr std::chrono::milliseconds kEndGraceStep{10};
// What a worker may write to standard error in its life; the rest is dropped.
constexpr std::uint64_t kDiagnosticsBytes = std::uint64_t{1} << 20;
// How long what a worker says as it ends is waited for.
constexpr std::chrono::milliseconds kLastWordsPatience{1000};

// The worker's whole environment: nothing of ours reaches it but the allocator's setting, the
// engine's thread count and, in a sanitizer build, the sanitizers' options (a worker's leaks are
// not checked: it is ended without shutting the engine down).
std::vector<std::string> WorkerEnvironment(const TWorkerSettings& Settings) {
    // The allocator asks for huge pages for its large blocks, where the kernel gives them on
    // request: a picture's pixels then cost a few page faults instead of thousands.
    std::vector<std::string> environment = {"GLIBC_TUNABLES=glibc.malloc.hugetlb=1"};
    if (Settings.EngineThreads > 0) {
        environment.push_back("MAGICK_THREAD_LIMIT=" + std::to_string(Settings.EngineThreads));
    }
#ifdef VK_SANITIZER_BUILD
    const QByteArray asan = qgetenv("ASAN_OPTIONS");
    environment.push_back("ASAN_OPTIONS=" + asan.toStdString() + (asan.isEmpty() ? "" : ":") +
                          "detect_leaks=0");
    if (qEnvironmentVariableIsSet("UBSAN_OPTIONS")) {
        environment.push_back("UBSAN_OPTIONS=" + qgetenv("UBSAN_OPTIONS").toStdString());
    }
#endif
    return environment;
}

TWorkerStart StartFor(const TWorkerSettings& Settings) {
    TWorkerStart start;
#ifndef VK_SANITIZER_BUILD
    start.AddressSpaceBytes = Settings.MemoryLimitBytes + kAddressSpaceHeadroom;
#endif
    start.CpuSecondsPerFile = Settings.SecondsPerFile;
    start.TestTriggers = Settings.TestTriggers;
    start.ParentPid = ::getpid();
    return start;
}

std::vector<char*> Pointers(std::vector<std::string>& Strings) {
    std::vector<char*> pointers;
    for (std::string& text : Strings) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Frees what posix_spawn was given on every path.
class TSpawnSetup {
public:
    TSpawnSetup() {
        posix_spawn_file_actions_init(&Actions);
        posix_spawnattr_init(&Attributes);
    }
    ~TSpawnSetup() {
        posix_spawn_file_actions_destroy(&Actions);
        posix_spawnattr_destroy(&Attributes);
    }
    TSpawnSetup(const TSpawnSetup&) = delete;
    TSpawnSetup& operator=(const TSpawnSetup&) = delete;

    posix_spawn_file_actions_t Actions;
    posix_spawnattr_t Attributes;
};

// Starts Program with its channel as descriptor 3, standard input and output on /dev/null,
// standard error on Diagnostics (the sanitizers and the worker's own complaints go there), no
// other descriptor, every signal at its default and in a process group of its own: Ctrl+C at a
// terminal is for the run to handle, not for its workers.
pid_t Spawn(const QString& Program, int Channel, int Diagnostics, const TWorkerSettings& Settings) {
    TSpawnSetup setup;
    posix_spawn_file_actions_adddup2(&setup.Actions, Channel, kWorkerChannel);
    posix_spawn_file_actions_adddup2(&setup.Actions, Diagnostics, STDERR_FILENO);
    posix_spawn_file_actions_addopen(&setup.Actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&setup.Actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&setup.Actions, kWorkerChannel + 1);
    sigset_t all;
    sigfillset(&all);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&setup.Attributes, &all);
    posix_spawnattr_setsigmask(&setup.Attributes, &none);
    posix_spawnattr_setpgroup(&setup.Attributes, 0);
    posix_spawnattr_setflags(&setup.Attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK |
                                                    POSIX_SPAWN_SETPGROUP);

    const QByteArray path = EncodeFileName(Program);
    std::vector<std::string> arguments = {path.toStdString()};
    for (const QString& argument : WorkerArguments(StartFor(Settings))) {
        arguments.push_back(argument.toStdString());
    }
    std::vector<std::string> environment = WorkerEnvironment(Settings);
    std::vector<char*> argv = Pointers(arguments);
    std::vector<char*> envp = Pointers(environment);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, path.constData(), &setup.Actions, &setup.Attributes,
                                  argv.data(), envp.data());
    if (error != 0) {
        throw EWorkerStart(QStringLiteral("cannot start %1: %2")
                               .arg(Program, SafeWrite::ReasonText(error))
                               .toStdString());
    }
    return pid;
}

std::uint64_t ResidentBytes(pid_t Pid) {
    QFile statm(QStringLiteral("/proc/%1/statm").arg(Pid));
    if (!statm.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QList<QByteArray> fields = statm.readLine().split(' ');
    if (fields.size() < 2) {
        return 0;
    }
    static const std::uint64_t pageBytes = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    return fields[1].toULongLong() * pageBytes;
}

QString SecondsText(int Seconds) {
    return Seconds == 1 ? QStringLiteral("1 second") : QStringLiteral("%1 seconds").arg(Seconds);
}

// Reaps Pid if it ends within Grace; false when it is still running.
bool ReapWithin(pid_t Pid, std::chrono::milliseconds Grace, int& Status) {
    const auto deadline = std::chrono::steady_clock::now() + Grace;
    for (;;) {
        const pid_t reaped = ::waitpid(Pid, &Status, WNOHANG);
        if (reaped == Pid) {
            return true;
        }
        if ((reaped < 0 && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kEndGraceStep);
    }
}

QString EndedBy(int Status) {
    if (WIFSIGNALED(Status)) {
        return QStringLiteral("the worker stopped: %1")
            .arg(QString::fromLocal8Bit(strsignal(WTERMSIG(Status))));
    }
    return QStringLiteral("the worker ended with status %1").arg(WEXITSTATUS(Status));
}

} // namespace

QString FindWorkerProgram() {
    const QString folder = ProgramFolder();
    for (const QString& candidate :
         {folder + QStringLiteral("/vellumkite-worker"),
          folder + QStringLiteral("/../libexec/vellumkite/vellumkite-worker")}) {
        const QFileInfo file(candidate);
        if (file.isFile() && file.isExecutable()) {
            return QDir::cleanPath(file.absoluteFilePath());
        }
    }
    return {};
}

QString WorkerProgram(const TWorkerSettings& Settings) {
    const QString program = Settings.Program.isEmpty() ? FindWorkerProgram() : Settings.Program;
    if (program.isEmpty()) {
        throw EWorkerStart("vellumkite-worker was not found beside this program");
    }
    return program;
}

TWorkerProcess::TWorkerProcess(const TWorkerSettings& Workers, TKeepWaiting StillWanted)
    : FSettings(Workers), FStillWanted(std::move(StillWanted)) {
    const QString program = WorkerProgram(FSettings);
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        throw EWorkerStart("cannot make a channel for the worker: " +
                           SafeWrite::ReasonText(errno).toStdString());
    }
    FChannel.Reset(ends[0]);
    {
        // The worker's ends are closed here once it has them, so that its channel and its
        // standard error close when it ends.
        const TDescriptor workerChannel(ends[1]);
        int pipe[2];
        if (::pipe2(pipe, O_CLOEXEC) != 0) {
            throw EWorkerStart("cannot make a pipe for the worker: " +
                               SafeWrite::ReasonText(errno).toStdString());
        }
        FDiagnosticsEnd.Reset(pipe[0]);
        const TDescriptor workerDiagnostics(pipe[1]);
        ::fcntl(pipe[0], F_SETFL, O_NONBLOCK);
        FDiagnostics = {pipe[0], STDERR_FILENO, kDiagnosticsBytes};
        FPid =
            Spawn(program, workerChannel.Descriptor(), workerDiagnostics.Descriptor(), FSettings);
    }

    StartClock(FSettings.StartSeconds);
    const std::optional<QByteArray> ready = Await(TWorkerMessage::Ready, 4096);
    const std::optional<TWorkerReady> decoded = ready ? DecodeReady(*ready) : std::nullopt;
    if (!decoded) {
        const QString failure = FFailure.isEmpty() ? QStringLiteral("no answer") : FFailure;
        Bury();
        throw EWorkerStart("the worker did not start: " + failure.toStdString());
    }
    FReady = *decoded;
    FStarted = true;
}

TWorkerProcess::~TWorkerProcess() {
    FChannel.Reset();
    if (FPid > 0) {
        // An idle worker ends when its channel closes; what it says meanwhile is passed on.
        PassOnToEnd(FDiagnostics, kLastWordsPatience);
        int status = 0;
        ::waitpid(FPid, &status, 0);
    }
}

template <typename TDecode>
auto TWorkerProcess::Ask(TWorkerMessage Kind, std::initializer_list<QByteArrayView> Parts,
                         TWorkerMessage ReplyKind, std::uint64_t MaxPayload, TDecode Decode)
    -> decltype(Decode(QByteArray())) {
    FFailure.clear();
    if (IsLost() || !SendMessage(FChannel.Descriptor(), Kind, Parts)) {
        Bury(true);
        return std::nullopt;
    }
    StartClock(FSettings.SecondsPerFile);
    const std::optional<QByteArray> payload = Await(ReplyKind, MaxPayload);
    if (!payload) {
        return std::nullopt;
    }
    auto answer = Decode(*payload);
    if (!answer) {
        FFailure = QStringLiteral("the worker sent a malformed message");
        Bury();
    }
    return answer;
}

TWorkerReply TWorkerProcess::Make(const TWorkRequest& Request) {
    TWorkerReply reply;
    reply.Outputs =
        Ask(TWorkerMessage::Work, {Request.Source, WorkRequestTrailer(Request)},
            TWorkerMessage::Outputs, MaxOutputsPayload(Request.Plan),
            [&](const QByteArray& Payload) { return DecodePhotoOutputs(Payload, Request.Plan); });
    reply.Failure = FFailure;
    return reply;
}

TPreviewReply TWorkerProcess::Preview(const TPreviewRequest& Request) {
    TPreviewReply reply;
    reply.Picture =
        Ask(TWorkerMessage::Preview, {Request.Source, PreviewRequestTrailer(Request)},
            TWorkerMessage::PreviewPicture, MaxPreviewPayload(Request.LongSide),
            [&](const QByteArray& Payload) { return DecodePreviewPicture(Payload, Request); });
    reply.Failure = FFailure;
    return reply;
}

std::optional<QStringList> TWorkerProcess::Probe(const TProbeRequest& Request) {
    return Ask(TWorkerMessage::Probe, {EncodeProbeRequest(Request)}, TWorkerMessage::ProbeResult,
               1 << 20, DecodeProbeResult);
}

std::optional<QByteArray> TWorkerProcess::Await(TWorkerMessage Kind, std::uint64_t MaxPayload) {
    const TReceiveResult received = ReceiveMessage(
        FChannel.Descriptor(), MaxPayload, [this] { return WithinLimits(); }, &FDiagnostics);
    const bool malformed =
        received.Status == TReceiveStatus::Malformed ||
        (received.Status == TReceiveStatus::Received && received.Message.Kind != Kind);
    if (malformed) {
        FFailure = QStringLiteral("the worker sent a malformed message");
    }
    if (received.Status != TReceiveStatus::Received || malformed) {
        Bury(received.Status == TReceiveStatus::Closed);
        return std::nullopt;
    }
    return received.Message.Payload;
}

void TWorkerProcess::StartClock(int Seconds) {
    FClockSeconds = Seconds;
    const auto now = std::chrono::steady_clock::now();
    FDeadline = now + std::chrono::seconds(Seconds);
    FNextMemoryCheck = now;
}

bool TWorkerProcess::WithinLimits() {
    if (FStillWanted && !FStillWanted()) {
        FFailure = QStringLiteral("the answer was no longer wanted");
        return false;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now > FDeadline) {
        const QString limit = SecondsText(FClockSeconds);
        FFailure = FStarted ? QStringLiteral("the worker took longer than %1").arg(limit)
                            : QStringLiteral("no answer within %1").arg(limit);
        return false;
    }
    if (now >= FNextMemoryCheck) {
        FNextMemoryCheck = now + kMemoryCheckInterval;
        if (ResidentBytes(FPid) > FSettings.MemoryLimitBytes) {
            FFailure = QStringLiteral("the worker went past its memory limit of %1 MB")
                           .arg(FSettings.MemoryLimitBytes >> 20);
            return false;
        }
    }
    return true;
}

void TWorkerProcess::Bury(bool ChannelClosed) {
    if (FPid < 0) {
        return;
    }
    // Whatever state it is in, it is not asked again. One that already ended keeps the status it
    // ended with: the kill does not change that.
    int status = 0;
    if (!ChannelClosed || !ReapWithin(FPid, kEndGrace, status)) {
        ::kill(FPid, SIGKILL);
        ::waitpid(FPid, &status, 0);
    }
    // Its last words: a sanitizer's report, the reason for an abort.
    PassOnToEnd(FDiagnostics, kLastWordsPatience);
    if (FFailure.isEmpty()) {
        FFailure = EndedBy(status);
    }
    FPid = -1;
}
