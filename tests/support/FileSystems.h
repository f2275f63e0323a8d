#pragma once

// Real file systems in awkward states, for tests of what writes do there: a small disk that can
// be filled up, and a folder that takes no new files while its files stay writable.

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace vk_test {

// A memory disk of a few pages, mounted for the life of the object and unmounted whatever
// happens. Mounting needs root; Problem() says why there is no disk.
class SmallDisk {
public:
    explicit SmallDisk(int KiloBytes) {
        if (::geteuid() != 0) {
            FProblem = QStringLiteral("a small disk needs root to mount");
            return;
        }
        const QByteArray options = "size=" + QByteArray::number(KiloBytes) + "k,mode=0755";
        if (::mount("tmpfs", QFile::encodeName(FFolder.path()).constData(), "tmpfs",
                    MS_NOSUID | MS_NODEV, options.constData()) != 0) {
            FProblem = QStringLiteral("cannot mount a small disk: %1").arg(std::strerror(errno));
            return;
        }
        FMounted = true;
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    ~SmallDisk() {
        if (FMounted)
            ::umount2(QFile::encodeName(FFolder.path()).constData(), MNT_DETACH);
    }

    bool Mounted() const { return FMounted; }
    const QString& Problem() const { return FProblem; }
    QString Path() const { return FFolder.path(); }

    // Fills the disk with one file until no page is left, then frees SpareKiloBytes of it.
    bool Fill(int SpareKiloBytes) const {
        const QByteArray filler = QFile::encodeName(FFolder.path() + QStringLiteral("/filler"));
        const int file = ::open(filler.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
        if (file < 0)
            return false;
        const QByteArray page(4096, 'f');
        off_t size = 0;
        ssize_t written;
        while ((written = ::write(file, page.constData(), page.size())) > 0)
            size += written;
        const bool full = written < 0 && errno == ENOSPC &&
                          ::ftruncate(file, size - off_t(SpareKiloBytes) * 1024) == 0;
        ::close(file);
        return full;
    }

private:
    QTemporaryDir FFolder;
    QString FProblem;
    bool FMounted = false;
};

// Makes a folder refuse new files, and undoes it when the object goes. Root is refused only by
// the immutable flag; anyone else by taking away the folder's write permission.
class FolderWithoutNewFiles {
public:
    explicit FolderWithoutNewFiles(const QString& Folder) : FFolder(QFile::encodeName(Folder)) {
        FDone = ::geteuid() == 0 ? SetImmutable(true) : ::chmod(FFolder.constData(), 0555) == 0;
    }
    FolderWithoutNewFiles(const FolderWithoutNewFiles&) = delete;
    FolderWithoutNewFiles& operator=(const FolderWithoutNewFiles&) = delete;
    ~FolderWithoutNewFiles() {
        if (FDone && ::geteuid() == 0)
            SetImmutable(false);
        else if (FDone)
            ::chmod(FFolder.constData(), 0755);
    }

    bool Done() const { return FDone; }

private:
    bool SetImmutable(bool On) const {
        const int folder = ::open(FFolder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        int flags = 0;
        bool done = folder >= 0 && ::ioctl(folder, FS_IOC_GETFLAGS, &flags) == 0;
        flags = On ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = done && ::ioctl(folder, FS_IOC_SETFLAGS, &flags) == 0;
        if (folder >= 0)
            ::close(folder);
        return done;
    }

    QByteArray FFolder;
    bool FDone = false;
};

} // namespace vk_test

// Skips the test, with the reason, when no small disk could be mounted.
#define VK_SMALL_DISK(Name, KiloBytes)                                                             \
    vk_test::SmallDisk Name(KiloBytes);                                                            \
    if (!Name.Mounted())                                                                           \
    QSKIP(qPrintable(Name.Problem()))
