#include "RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include "FileNames.h"

std::optional<QByteArray> ReadRegularFile(const QString& Path, qint64 MaxBytes) {
    const int handle =
        ::open(EncodeFileName(Path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (handle < 0)
        return std::nullopt;
    struct stat status;
    QFile file;
    if (::fstat(handle, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > MaxBytes ||
        !file.open(handle, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(handle);
        return std::nullopt;
    }
    // One byte past the size found, so a file still growing is refused rather than cut short;
    // never the limit itself, which read() would allocate in full.
    QByteArray bytes = file.read(static_cast<qint64>(status.st_size) + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > status.st_size)
        return std::nullopt;
    return bytes;
}
