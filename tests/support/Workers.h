#pragma once

// The worker program of this build, for runs started from a test (the program looks beside
// itself, and a test is not beside it).

#include "batch/WorkerProcess.h"

namespace vk_test {

inline TWorkerSettings TestWorkers() {
    TWorkerSettings settings;
    settings.Program = QStringLiteral(VK_WORKER_PROGRAM);
    return settings;
}

} // namespace vk_test
