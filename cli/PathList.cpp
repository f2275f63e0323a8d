#include "PathList.h"

TPathList::TPathList(std::vector<TScannedFile> Files) : FFiles(std::move(Files)) {
    for (std::size_t i = 0; i < FFiles.size(); ++i) {
        FFiles[i].Key = i;
    }
}

std::optional<TListedFile> TPathList::TakeNext() {
    if (FNext == FFiles.size()) {
        return std::nullopt;
    }
    return FFiles[FNext++];
}

void TPathList::DeleteEntry(quint64 Key) {
    if (Key < FFiles.size()) {
        FFiles[Key] = {};
    }
}
