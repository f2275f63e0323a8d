#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

// The whole content of a regular file of at most MaxBytes bytes; nothing for anything else (a
// missing or unreadable file, a folder, a pipe or device named like a file, a larger file, a file
// still growing). The file is opened without blocking and checked after opening, so a pipe swapped
// in for the file can neither hang the open nor be read without end.
std::optional<QByteArray> ReadRegularFile(const QString& Path, qint64 MaxBytes);

// The same, read into Bytes, whose memory is reused when it is large enough: reading file after
// file into one buffer spares the system mapping and clearing fresh memory for each. False, with
// Bytes emptied, where the above gives nothing.
bool ReadRegularFileInto(const QString& Path, qint64 MaxBytes, QByteArray& Bytes);

// The first MaxBytes bytes of a regular file (fewer when the file is shorter); nothing for
// anything else, opened in the same careful way as above.
std::optional<QByteArray> ReadFileHead(const QString& Path, qint64 MaxBytes);
