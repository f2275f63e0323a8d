#pragma once

// The files below a folder, for tests that compare what runs wrote.

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QStringList>

#include "support/TextFiles.h"

namespace vk_test {

// Every file below Folder, relative to it and sorted; hidden ones too unless Filters leave them
// out (a run's unfinished outputs are hidden).
inline QStringList FilesBelow(const QString& Folder,
                              QDir::Filters Filters = QDir::Files | QDir::Hidden) {
    QStringList files;
    QDirIterator it(Folder, Filters, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files << QDir(Folder).relativeFilePath(it.next());
    }
    files.sort();
    return files;
}

// Every finished file below Root with a digest of its bytes: two runs that wrote the same files
// under the same names give the same lines.
inline QStringList TreeDigest(const QString& Root) {
    QStringList lines;
    for (const QString& file : FilesBelow(Root, QDir::Files)) {
        lines << file + QLatin1Char(' ') +
                     QCryptographicHash::hash(ReadBytes(QDir(Root).filePath(file)),
                                              QCryptographicHash::Sha1)
                         .toHex();
    }
    return lines;
}

} // namespace vk_test
