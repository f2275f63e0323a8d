#pragma once

#include <vector>

#include "batch/BatchList.h"
#include "cli/PathScan.h"

// The command line's file list: the files in the order gathered, each its own entry, so a file
// reached twice keeps the subfolder of each time. A handled entry gives its memory back.
class TPathList : public IBatchList {
public:
    explicit TPathList(std::vector<TScannedFile> Files);
    int WaitingCount() const override { return static_cast<int>(FFiles.size() - FNext); }
    std::optional<TListedFile> TakeNext() override;
    void DeleteEntry(quint64 Key) override;

private:
    std::vector<TScannedFile> FFiles;
    std::size_t FNext = 0;
};
