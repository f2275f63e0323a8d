// vellumkite-worker: turns photographs into their outputs for a run of Vellumkite, locked in so
// that a hostile picture reaches nothing. Started by the run only, with its channel as
// descriptor 3.

#include <QStringList>

#include <csignal>
#include <cstdio>

#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "batch/WorkerServe.h"
#include "platform/FileNames.h"
#include "platform/MemoryReuse.h"
#include "platform/Sandbox.h"

namespace {

constexpr int kChannel = 3;

bool IsSocket(int Descriptor) {
    struct stat status = {};
    return ::fstat(Descriptor, &status) == 0 && S_ISSOCK(status.st_mode);
}

} // namespace

int main(int argc, char** argv) {
    // A worker ends with its run, however the run ends: the kernel kills it when its parent goes.
    // Should the run have gone before this line, its parent is another process already.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << DecodeFileName(QByteArray(argv[i]));
    }
    const std::optional<TWorkerStart> start = ParseWorkerArguments(arguments);
    if (!start || !IsSocket(kChannel)) {
        std::fputs("vellumkite-worker: this program is started by Vellumkite\n", stderr);
        return 2;
    }
    if (::getppid() != start->ParentPid) {
        return 1;
    }
    CloseDescriptorsFrom(kChannel + 1);
    ReuseFreedMemory();
    return ServeWorker(kChannel, *start);
}
