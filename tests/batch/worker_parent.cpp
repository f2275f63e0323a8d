// A run in miniature for a test to kill: starts a worker, prints its process id and hangs it
// on a picture, waiting for an answer that never comes.

#include <cstdio>

#include "batch/WorkerProcess.h"
#include "support/BatchValues.h"
#include "support/Workers.h"

int main() {
    TWorkerSettings settings = vk_test::TestWorkers();
    settings.TestTriggers = true;
    settings.SecondsPerFile = 120;
    TWorkerProcess worker(settings);
    std::printf("%d\n", static_cast<int>(worker.Pid()));
    std::fflush(stdout);
    worker.Make({kHangTrigger, QStringLiteral("png"), vk_test::LargeOnlyPlan()});
    return 1;
}
