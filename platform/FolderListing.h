#pragma once

#include <dirent.h>

#include <QCollator>
#include <QString>
#include <QStringList>

// What a folder tree needs to know of one folder on disk. Hidden names (a leading ".") are never
// counted, and a folder that cannot be read has no subfolders: the tree shows nothing there and
// reports nothing.

// What an entry of a folder being read stands for, links followed.
enum class TEntryKind {
    Nothing, // a dangling link, or an entry gone meanwhile
    Folder,
    RegularFile,
    OtherFile, // a device, a pipe or a socket
};
TEntryKind FolderEntryKind(DIR* Folder, const dirent& Entry);

// The names of Folder's visible subfolders (links to folders included), sorted with
// FileManagerCollator.
QStringList VisibleSubfolderNames(const QString& Folder);
// Whether Folder has at least one visible subfolder; stops at the first one it meets.
bool HasVisibleSubfolder(const QString& Folder);
// Whether Path names a folder now (through a link too).
bool IsExistingFolder(const QString& Path);
// Path of the entry Name in Folder; the file-system root gets no second "/".
QString ChildPath(const QString& Folder, const QString& Name);
// Compares names as a file manager does: letter case aside, digit runs by their value.
QCollator FileManagerCollator();
