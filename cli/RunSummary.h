#pragma once

#include <QString>
#include <QStringList>

#include "batch/BatchJob.h"

// What one command-line run came to: the batch's counts and what the gathering of paths found.
struct TRunTally {
    TBatchCounts Counts;
    // Files in folders that are not pictures.
    int Skipped = 0;
    // Paths and folders that could not be used.
    int Unusable = 0;
    // The folder the size folders went below.
    QString OutputRoot;
};

// The summary in plain words, one line each: what was processed, not supported, not written,
// skipped or left by an interrupt, and where the outputs are. Counts of 0 are left out, except
// the processed one. A run that found no picture says so.
QStringList RunSummary(const TRunTally& Tally);
