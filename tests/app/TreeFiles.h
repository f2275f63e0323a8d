#pragma once

// Files and folders with names given as bytes, for tests of names that are not UTF-8.

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QTemporaryDir>
#include <QTest>

#include "platform/FileNames.h"

namespace vk_test {

// A file of Size bytes at Path; false when it cannot be made.
inline bool MakeFile(const QByteArray& Path, int Size = 0) {
    const int file = ::open(Path.constData(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0644);
    if (file < 0)
        return false;
    const QByteArray bytes(Size, 'x');
    const bool written = ::write(file, bytes.constData(), bytes.size()) == bytes.size();
    return ::close(file) == 0 && written;
}

inline bool MakeFolder(const QByteArray& Path) {
    return ::mkdir(Path.constData(), 0755) == 0;
}

// A temporary folder removed with everything in it, names that are not UTF-8 included (which
// QTemporaryDir cannot remove). Links are removed, never followed.
class ByteNamedFolder {
public:
    ByteNamedFolder() = default;
    ByteNamedFolder(const ByteNamedFolder&) = delete;
    ByteNamedFolder& operator=(const ByteNamedFolder&) = delete;
    ~ByteNamedFolder() {
        ::nftw(
            EncodeFileName(FFolder.path()).constData(),
            [](const char* Path, const struct stat*, int, FTW*) { return ::remove(Path); }, 16,
            FTW_DEPTH | FTW_PHYS);
    }
    QString path() const { return FFolder.path(); }

private:
    QTemporaryDir FFolder;
};

} // namespace vk_test
