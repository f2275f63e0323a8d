#include "RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include "FileNames.h"

namespace {

// Opens Path into File when it is a regular file, without blocking on a pipe or a device; Status
// gets its status.
bool OpenRegularFile(const QString& Path, QFile& File, struct stat& Status) {
    const int handle =
        ::open(EncodeFileName(Path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (handle < 0)
        return false;
    if (::fstat(handle, &Status) != 0 || !S_ISREG(Status.st_mode) ||
        !File.open(handle, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(handle);
        return false;
    }
    return true;
}

} // namespace

std::optional<QByteArray> ReadRegularFile(const QString& Path, qint64 MaxBytes) {
    QByteArray bytes;
    if (!ReadRegularFileInto(Path, MaxBytes, bytes))
        return std::nullopt;
    return bytes;
}

bool ReadRegularFileInto(const QString& Path, qint64 MaxBytes, QByteArray& Bytes) {
    struct stat status;
    QFile file;
    if (!OpenRegularFile(Path, file, status) || status.st_size > MaxBytes) {
        Bytes.resize(0);
        return false;
    }
    // One byte past the size found, so a file still growing is refused rather than cut short;
    // never the limit itself, which would be allocated in full.
    Bytes.resize(static_cast<qsizetype>(status.st_size) + 1);
    const qint64 got = file.read(Bytes.data(), Bytes.size());
    if (got < 0 || got > status.st_size) {
        Bytes.resize(0);
        return false;
    }
    Bytes.resize(static_cast<qsizetype>(got));
    return true;
}

std::optional<QByteArray> ReadFileHead(const QString& Path, qint64 MaxBytes) {
    struct stat status;
    QFile file;
    if (!OpenRegularFile(Path, file, status))
        return std::nullopt;
    QByteArray bytes = file.read(MaxBytes);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}
