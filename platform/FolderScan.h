#pragma once

#include <functional>

#include <QString>
#include <QStringList>

// How a folder tree is walked.
struct TFolderScanOptions {
    // Each folder's entries by their names' bytes; otherwise in the order the file system gives.
    bool ByName = false;
    // Regular files only: devices, pipes and sockets are left out.
    bool RegularFilesOnly = false;
    // Folders not entered when met below the scanned folder, recognised as the same folder
    // however they are reached (another spelling, a link); for a run's own output folders.
    QStringList LeaveOut;
    // Called after every 200 entries, so that a large tree does not keep a window from its
    // events.
    std::function<void()> ServeEvents;
    // Told of each folder that could not be read, with the system's reason.
    std::function<void(const QString& Folder, const QString& Reason)> Unreadable;
};

// Appends the full path of every file below Folder to Paths, depth first: a subfolder's files
// come where the subfolder was met. Hidden files are included; links are followed, but each
// folder (by device and inode) is entered once in a scan, however many links lead to it: the
// first way met is the one its files are listed under. A dangling link stands for nothing. Only
// one folder is open at a time, however deep the tree. Names are taken as bytes.
void ScanFolderTree(const QString& Folder, QStringList& Paths,
                    const TFolderScanOptions& Options = {});
