#pragma once

#include <QString>
#include <QStringList>

#include <vector>

#include "batch/BatchList.h"

// One file a run is to handle (its key given by the list); its Subfolder holds the folders
// between the scanned folder and the file when the outputs keep them.
using TScannedFile = TListedFile;

// How the command line's paths are gathered.
struct TPathScanOptions {
    // Each file found in a folder keeps its folders below the scanned one as its Subfolder.
    bool KeepFolders = false;
    // Folders a scan does not enter: the run's own outputs.
    QStringList LeaveOut;
};

// The files that the command line's paths stand for, and what could not be used.
struct TPathScan {
    std::vector<TScannedFile> Files;
    // Paths and folders that could not be used, each with the reason, as the user should see it.
    QStringList Problems;
    // Files found in a folder that are not pictures.
    int Skipped = 0;
};

// A file given stands for itself, whatever it holds. A folder stands for every picture below it
// (recognised by its first bytes), subfolders included, depth first and by name within a
// folder; a link back into a folder already being scanned is not followed again. A path that
// does not exist, cannot be read, or is neither a regular file nor a folder is a problem, and
// the other paths are still gathered.
TPathScan CollectPaths(const QStringList& Paths, const TPathScanOptions& Options = {});
