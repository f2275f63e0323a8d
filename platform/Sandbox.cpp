#include "Sandbox.h"

#include <cerrno>

#include <fcntl.h>
#include <linux/landlock.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/SafeWrite.h"

namespace {

bool SetLimit(int Resource, rlim_t Value) {
    const rlimit limit = {Value, Value};
    return ::setrlimit(Resource, &limit) == 0;
}

// No core files from a decoder that dies, no file grown, and, where it can be, no address space
// beyond the bound. (A process limit would stop its threads as well: the filter stops processes.)
QString SetResourceLimits(const TSandboxRules& Rules) {
    if (!SetLimit(RLIMIT_CORE, 0) || !SetLimit(RLIMIT_FSIZE, 0)) {
        return QStringLiteral("cannot set the resource limits: ") + SafeWrite::ReasonText(errno);
    }
    if (Rules.AddressSpaceBytes > 0 && !SetLimit(RLIMIT_AS, Rules.AddressSpaceBytes)) {
        return QStringLiteral("cannot limit the address space: ") + SafeWrite::ReasonText(errno);
    }
    return {};
}

// Shuts the whole file system with a ruleset that handles every access right of Landlock's first
// two versions and grants none (the rights of later versions need calls the filter refuses).
void LockFileSystem(TSandboxState& State) {
    const long abi =
        ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (abi < 1) {
        State.FileSystemNote = QStringLiteral("Landlock: ") + SafeWrite::ReasonText(errno);
        return;
    }
    landlock_ruleset_attr attributes = {};
    attributes.handled_access_fs = (LANDLOCK_ACCESS_FS_MAKE_SYM << 1) - 1;
    if (abi >= 2) {
        attributes.handled_access_fs |= LANDLOCK_ACCESS_FS_REFER;
    }
    const long ruleset = ::syscall(SYS_landlock_create_ruleset, &attributes, sizeof attributes, 0);
    if (ruleset < 0) {
        State.FileSystemNote = QStringLiteral("Landlock: ") + SafeWrite::ReasonText(errno);
        return;
    }
    const bool locked = ::syscall(SYS_landlock_restrict_self, ruleset, 0) == 0;
    State.FileSystemNote =
        locked ? QString() : QStringLiteral("Landlock: ") + SafeWrite::ReasonText(errno);
    ::close(static_cast<int>(ruleset));
    State.FileSystemLocked = locked;
}

// The system calls a decoder of bytes makes once it runs: memory, threads, time, signals to
// itself, and reading and writing the descriptors it was given. Everything else fails with
// EPERM, opening a file included.
class TSystemCallFilter {
public:
    TSystemCallFilter() : FContext(seccomp_init(SCMP_ACT_ERRNO(EPERM))) {}
    ~TSystemCallFilter() { seccomp_release(FContext); }
    TSystemCallFilter(const TSystemCallFilter&) = delete;
    TSystemCallFilter& operator=(const TSystemCallFilter&) = delete;

    bool IsValid() const { return FContext != nullptr; }

    void Allow(int Call) { Add(SCMP_ACT_ALLOW, Call, {}); }
    void AllowIf(int Call, scmp_arg_cmp Condition) { Add(SCMP_ACT_ALLOW, Call, {Condition}); }
    void Refuse(int Call, int Error) { Add(SCMP_ACT_ERRNO(Error), Call, {}); }

    QString Load() {
        if (!FError.isEmpty()) {
            return FError;
        }
        const int result = seccomp_load(FContext);
        return result == 0 ? QString()
                           : QStringLiteral("cannot load the system-call filter: ") +
                                 SafeWrite::ReasonText(-result);
    }

private:
    void Add(uint32_t Action, int Call, std::initializer_list<scmp_arg_cmp> Conditions) {
        const int result = seccomp_rule_add_array(
            FContext, Action, Call, static_cast<unsigned>(Conditions.size()), Conditions.begin());
        if (result != 0 && FError.isEmpty()) {
            FError = QStringLiteral("cannot build the system-call filter: ") +
                     SafeWrite::ReasonText(-result);
        }
    }

    scmp_filter_ctx FContext;
    QString FError;
};

void AllowChannels(TSystemCallFilter& Filter, const TSandboxRules& Rules) {
    for (const int call :
         {SCMP_SYS(read), SCMP_SYS(readv), SCMP_SYS(recvfrom), SCMP_SYS(recvmsg), SCMP_SYS(write),
          SCMP_SYS(writev), SCMP_SYS(sendto), SCMP_SYS(sendmsg)}) {
        Filter.AllowIf(call, SCMP_A0(SCMP_CMP_EQ, static_cast<scmp_datum_t>(Rules.Channel)));
    }
    if (Rules.Diagnostics >= 0) {
        for (const int call : {SCMP_SYS(write), SCMP_SYS(writev)}) {
            Filter.AllowIf(call,
                           SCMP_A0(SCMP_CMP_EQ, static_cast<scmp_datum_t>(Rules.Diagnostics)));
        }
    }
}

void AllowMemory(TSystemCallFilter& Filter) {
    // Nothing new becomes executable: every library was loaded before the lock.
    const scmp_arg_cmp noExecute = SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0);
    Filter.AllowIf(SCMP_SYS(mmap), noExecute);
    Filter.AllowIf(SCMP_SYS(mprotect), noExecute);
    for (const int call : {SCMP_SYS(brk), SCMP_SYS(munmap), SCMP_SYS(mremap), SCMP_SYS(madvise)}) {
        Filter.Allow(call);
    }
}

void AllowThreads(TSystemCallFilter& Filter) {
    // A thread, never a process: clone must share the thread group. clone3 hides its flags from
    // the filter, so it is reported missing and the C library falls back to clone.
    Filter.AllowIf(SCMP_SYS(clone), SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, CLONE_THREAD));
    Filter.Refuse(SCMP_SYS(clone3), ENOSYS);
    for (const int call :
         {SCMP_SYS(futex), SCMP_SYS(set_robust_list), SCMP_SYS(rseq), SCMP_SYS(set_tid_address),
          SCMP_SYS(sched_yield), SCMP_SYS(sched_getaffinity), SCMP_SYS(gettid), SCMP_SYS(getpid),
          SCMP_SYS(exit), SCMP_SYS(exit_group)}) {
        Filter.Allow(call);
    }
}

void AllowSignalsToSelf(TSystemCallFilter& Filter) {
    for (const int call : {SCMP_SYS(rt_sigaction), SCMP_SYS(rt_sigprocmask), SCMP_SYS(rt_sigreturn),
                           SCMP_SYS(sigaltstack)}) {
        Filter.Allow(call);
    }
    // abort() and a sanitizer's report signal this process; no other.
    const auto self = static_cast<scmp_datum_t>(::getpid());
    Filter.AllowIf(SCMP_SYS(tgkill), SCMP_A0(SCMP_CMP_EQ, self));
    Filter.AllowIf(SCMP_SYS(kill), SCMP_A0(SCMP_CMP_EQ, self));
}

void AllowTimeAndLimits(TSystemCallFilter& Filter) {
    for (const int call :
         {SCMP_SYS(clock_gettime), SCMP_SYS(clock_getres), SCMP_SYS(clock_nanosleep),
          SCMP_SYS(nanosleep), SCMP_SYS(gettimeofday), SCMP_SYS(getrusage), SCMP_SYS(times),
          SCMP_SYS(getrandom), SCMP_SYS(sysinfo)}) {
        Filter.Allow(call);
    }
    // Its own limits only (the CPU-time budget of each picture).
    Filter.AllowIf(SCMP_SYS(prlimit64), SCMP_A0(SCMP_CMP_EQ, 0));
}

void AllowDescriptorQueries(TSystemCallFilter& Filter) {
    Filter.Allow(SCMP_SYS(close));
    Filter.Allow(SCMP_SYS(fstat));
    // fstat() arrives as fstatat(descriptor, "", AT_EMPTY_PATH); a lookup by name is refused.
    Filter.AllowIf(SCMP_SYS(newfstatat), SCMP_A3(SCMP_CMP_MASKED_EQ, AT_EMPTY_PATH, AT_EMPTY_PATH));
}

QString FilterSystemCalls(const TSandboxRules& Rules) {
    TSystemCallFilter filter;
    if (!filter.IsValid()) {
        return QStringLiteral("cannot build the system-call filter");
    }
    AllowChannels(filter, Rules);
    AllowMemory(filter);
    AllowThreads(filter);
    AllowSignalsToSelf(filter);
    AllowTimeAndLimits(filter);
    AllowDescriptorQueries(filter);
    return filter.Load();
}

} // namespace

TSandboxState EnterSandbox(const TSandboxRules& Rules) {
    TSandboxState state;
    // Neither this process nor anything it could start gains rights again (set-user-ID
    // programs); the kernel requires it before an unprivileged filter.
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        state.Error = QStringLiteral("cannot drop privileges: ") + SafeWrite::ReasonText(errno);
        return state;
    }
    state.Error = SetResourceLimits(Rules);
    if (!state.Error.isEmpty()) {
        return state;
    }
    LockFileSystem(state);
    state.Error = FilterSystemCalls(Rules);
    return state;
}

void LimitCpuTimeFromNow(int Seconds) {
    rusage usage = {};
    ::getrusage(RUSAGE_SELF, &usage);
    const rlim_t used = static_cast<rlim_t>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec);
    rlimit limit = {};
    ::getrlimit(RLIMIT_CPU, &limit);
    limit.rlim_cur = used + static_cast<rlim_t>(Seconds);
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_cur > limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
    }
    ::setrlimit(RLIMIT_CPU, &limit);
}

void CloseDescriptorsFrom(int First) {
    ::syscall(SYS_close_range, static_cast<unsigned>(First), ~0U, 0U);
}
