#pragma once

#include <QString>
#include <QStringList>

// The files that the command line's paths stand for, or the reason a path was refused.
struct TPathScan {
    QStringList Files;
    // Folders that could not be read; they add nothing.
    QStringList Unreadable;
    QString Error;
};

// A file stands for itself; a folder for every regular file below it, subfolders included,
// depth first and by name within a folder. A link back into a folder already being scanned is
// not followed again. A path that is neither an existing file nor a folder is refused.
TPathScan CollectPaths(const QStringList& Paths);
