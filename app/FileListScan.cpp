#include "FileListScan.h"

#include "platform/FolderScan.h"

void CollectFolderFiles(const QString& Folder, QStringList& Paths,
                        const std::function<void()>& ServeEvents) {
    TFolderScanOptions options;
    options.ServeEvents = ServeEvents;
    ScanFolderTree(Folder, Paths, options);
}
