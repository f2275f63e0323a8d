#pragma once

// Locks the calling process into what a decoder of bytes needs: it keeps the descriptors it was
// given and can open no other file, make no connection, start no program, signal no other
// process and grow only to a bounded size. The kernel's own fences do it: resource limits, then
// Landlock (where the kernel has it) for the file system, then a seccomp allow-list of system
// calls. There is no way out again, for the process or anything it would start.
//
// In order: PR_SET_NO_NEW_PRIVS, which the kernel asks for before a filter; no core file, no
// file grown, the address space bounded when asked; a Landlock ruleset that handles the rights
// of Landlock's first two versions (reading, writing, running, listing, making and removing
// any kind of file, and moving one to another folder) and grants none; then the filter, whose
// answer to any call it does not name is EPERM. It names: reading and writing the channel
// (writing the diagnostics), memory that never becomes executable, threads but no process
// (clone with CLONE_THREAD; clone3 answers ENOSYS, so the C library falls back to clone), the
// clocks, signals to the process itself, its own limits, close and fstat. The rights later
// kernels added to Landlock (truncating, a device's ioctl) are left to the filter, which names
// neither call. A decode needs no more: traced (test_worker_formats), the only calls refused
// are the engine asking whether its extension hint names a file (newfstatat) and a codec's
// threads naming themselves (prctl), and both go on without the answer.

#include <QString>

#include <cstdint>

struct TSandboxRules {
    // The one descriptor the process reads and writes: its channel to whoever started it.
    int Channel = -1;
    // A descriptor it may only write to (diagnostics), or -1.
    int Diagnostics = -1;
    // The address-space limit in bytes, or 0 for none (an address sanitizer reserves terabytes
    // of address space, so its builds are bounded from outside instead).
    std::uint64_t AddressSpaceBytes = 0;
};

// What the lock achieved.
struct TSandboxState {
    // Empty when the process is locked in; otherwise why not (it must not go on then).
    QString Error;
    // Whether the kernel's Landlock shut the file system as well; the system-call filter refuses
    // every open either way.
    bool FileSystemLocked = false;
    // Why it did not, in the kernel's words ("not supported by this kernel").
    QString FileSystemNote;
};

// Locks the calling process in; call it before the process reads anything it does not trust.
// Every thread started afterwards inherits the lock.
TSandboxState EnterSandbox(const TSandboxRules& Rules);

// Sets this process's CPU-time limit to Seconds beyond what it has used so far; past it the
// kernel ends the process. Allowed inside the sandbox.
void LimitCpuTimeFromNow(int Seconds);

// Closes every descriptor from First upwards.
void CloseDescriptorsFrom(int First);
