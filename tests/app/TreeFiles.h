#pragma once

// Files and folders with names given as bytes, for tests of names that are not UTF-8.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QTest>

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

} // namespace vk_test
