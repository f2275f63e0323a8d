#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <ctime>
#include <optional>

#include "platform/Descriptor.h"

// Writing files so that a failure is always found out and never leaves a damaged file behind,
// and so that a symbolic link planted at a written name or folder is never followed.
//
// Paths and names are the file system's own bytes. Every function gives back the system's reason
// text when it fails (as the user should see it), and an empty text when it succeeds.
namespace SafeWrite {

// An open folder, closed when the handle goes. Names are then made and opened relative to it,
// so the folder cannot be swapped for a link between two steps.
using TFolder = TDescriptor;

// A folder that was opened, or the reason it could not be.
struct TOpenedFolder {
    TFolder Folder;
    QString Error; // empty exactly when Folder is open
};

// The system's text for an error number, e.g. "No space left on device".
QString ReasonText(int ErrorNumber);

// Opens the folder at Path, which must exist. Links in Path are followed.
TOpenedFolder OpenFolder(const QByteArray& Path);

// Makes the folder at Path with every missing level above it and opens it. Links in Path are
// followed: the path is the user's choice, and a link in it is the user's own.
TOpenedFolder MakeAndOpenFolder(const QByteArray& Path);

// Makes or opens the subfolder Name of Parent without ever following a link at Name: a link
// found there is removed and a real folder made in its place; any other file there is an error.
TOpenedFolder MakeAndOpenSubfolder(const TFolder& Parent, const QByteArray& Name);

// Writes Bytes as the file Name in Folder: a new file is written beside it and renamed over
// Name, so a link at Name is replaced, never written through. On failure nothing new is left
// in the folder and a file already at Name is untouched. The file is not flushed to the disk:
// a writer of many files flushes them all at once with FlushFileSystem. With Modified, the file
// carries that modification time from the moment it appears under Name.
QString WriteFileIn(const TFolder& Folder, const QByteArray& Name, QByteArrayView Bytes,
                    const std::optional<timespec>& Modified = std::nullopt);

// Flushes everything written to the file system that holds Folder to the disk, in one go, and
// reports any write to it that failed on its way to the disk since Folder was opened.
QString FlushFileSystem(const TFolder& Folder);

// WriteFileIn for the last name of Path, in the folder before it (which must exist; links in
// the folder's own path are followed).
QString WriteFileAt(const QByteArray& Path, QByteArrayView Bytes);

// Replaces the whole content of the regular file at Path (or creates it) and flushes it to the
// disk; for a file that must survive a crash, such as a settings file. A link at Path is
// resolved and the file it leads to replaced, so the link stays. When the file's folder refuses
// new files but the file itself is writable, the file is rewritten in place, with its new size
// reserved first so that a full disk leaves it as it was. A file that may not be written is
// refused, and so is anything that is not a regular file (a folder, a device, a pipe).
QString ReplaceFileContent(const QByteArray& Path, QByteArrayView Bytes);

// Writes every byte of Bytes to the open file Descriptor at its current position, going on
// after short writes and interruptions; the reason of the first error, if any.
QString WriteAll(int Descriptor, QByteArrayView Bytes);

} // namespace SafeWrite
