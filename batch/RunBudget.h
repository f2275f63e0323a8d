#pragma once

#include <QtGlobal>

#include <cstdint>

// A run's memory, shared out equally among the files it works on at once: each gets a part for
// its source, which the run reads whole, and the rest for its worker. A file's outcome then
// depends on the file and the number of files at once, never on what else is in flight.
struct TSlotBudget {
    qint64 MaxSourceBytes = 0;
    std::uint64_t WorkerBytes = 0;
};

// The part of each of Jobs files at once. With RunBytes 0, each gets what a worker may use by
// default (WorkerBytes) and a third of that again for its source, all within three quarters of
// the machine's memory; otherwise RunBytes is shared out.
TSlotBudget SlotBudgetFor(std::uint64_t RunBytes, std::uint64_t WorkerBytes, int Jobs);
