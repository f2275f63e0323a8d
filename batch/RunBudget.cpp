#include "RunBudget.h"

#include <algorithm>
#include <limits>

#include "platform/PhysicalMemory.h"

TSlotBudget SlotBudgetFor(std::uint64_t RunBytes, std::uint64_t WorkerBytes, int Jobs) {
    const auto jobs = static_cast<std::uint64_t>(std::max(Jobs, 1));
    std::uint64_t slot = RunBytes / jobs;
    if (RunBytes == 0) {
        slot = WorkerBytes / 3 * 4;
        if (const std::uint64_t machine = PhysicalMemoryBytes(); machine > 0) {
            slot = std::min(slot, machine / 4 * 3 / jobs);
        }
    }
    // The engine takes a source's length as 32 bits.
    constexpr std::uint64_t kMaxSource = std::numeric_limits<std::uint32_t>::max();
    TSlotBudget budget;
    const std::uint64_t source = std::min(slot / 4, kMaxSource);
    budget.MaxSourceBytes = static_cast<qint64>(source);
    budget.WorkerBytes = slot - source;
    return budget;
}
