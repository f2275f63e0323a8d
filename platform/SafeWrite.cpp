#include "SafeWrite.h"

#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QRandomGenerator>

namespace {

using SafeWrite::ReasonText;
using SafeWrite::TFolder;
using SafeWrite::TOpenedFolder;

constexpr mode_t kNewFolderMode = 0777; // less the umask, as any program makes folders
constexpr mode_t kNewFileMode = 0644;

QString NotARegularFile() {
    return QStringLiteral("Not a regular file");
}

TOpenedFolder Failed(int ErrorNumber) {
    return {TFolder(), ReasonText(ErrorNumber)};
}

// One name inside a folder: a longer path would be looked up through whatever links it holds.
bool IsPlainName(const QByteArray& Name) {
    return !Name.isEmpty() && Name != "." && Name != ".." && !Name.contains('/') &&
           !Name.contains('\0');
}

// The folder part of a path and its last name.
QByteArray FolderOf(const QByteArray& Path) {
    const qsizetype slash = Path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : Path.left(slash);
}

QByteArray NameOf(const QByteArray& Path) {
    return Path.mid(Path.lastIndexOf('/') + 1);
}

// A file opened for writing, closed on every path; Close reports what closing found (on some
// file systems the last write's failure shows only there).
class TOpenFile {
public:
    explicit TOpenFile(int Descriptor) : FDescriptor(Descriptor) {}
    TOpenFile(const TOpenFile&) = delete;
    TOpenFile& operator=(const TOpenFile&) = delete;
    ~TOpenFile() {
        if (FDescriptor >= 0)
            ::close(FDescriptor);
    }

    int Descriptor() const { return FDescriptor; }
    bool IsOpen() const { return FDescriptor >= 0; }

    QString Close() {
        const int descriptor = FDescriptor;
        FDescriptor = -1;
        // The descriptor is gone even when close fails, so it is never closed twice.
        return ::close(descriptor) == 0 ? QString() : ReasonText(errno);
    }

    QString Sync() const { return ::fsync(FDescriptor) == 0 ? QString() : ReasonText(errno); }

private:
    int FDescriptor;
};

// A new file under a fresh name in a folder, removed again unless it was renamed into place.
class TTemporaryFile {
public:
    // Mode is reduced by the umask. On failure IsOpen() is false and errno holds the reason.
    TTemporaryFile(const TFolder& Folder, mode_t Mode)
        : FFolder(Folder.Descriptor()), FFile(Create(Mode)) {}
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;
    ~TTemporaryFile() {
        if (FCreated && !FRenamed)
            ::unlinkat(FFolder, FName.constData(), 0);
    }

    bool IsOpen() const { return FFile.IsOpen(); }
    TOpenFile& File() { return FFile; }

    // Replaces whatever is at Name (a link included) with this file in one step.
    QString RenameTo(const QByteArray& Name) {
        if (::renameat(FFolder, FName.constData(), FFolder, Name.constData()) != 0)
            return ReasonText(errno);
        FRenamed = true;
        return {};
    }

private:
    int Create(mode_t Mode) {
        for (int attempt = 0; attempt < 16; ++attempt) {
            FName = ".partial-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
            const int descriptor =
                ::openat(FFolder, FName.constData(),
                         O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, Mode);
            if (descriptor >= 0 || errno != EEXIST) {
                FCreated = descriptor >= 0;
                return descriptor;
            }
        }
        return -1; // errno is still EEXIST
    }

    int FFolder;
    QByteArray FName;
    bool FCreated = false;
    bool FRenamed = false;
    TOpenFile FFile;
};

// Follows the links at the end of Path to the name they finally lead to, which may not exist
// yet (a settings file kept as a link elsewhere is replaced where it really lives).
QString ResolveLinks(const QByteArray& Path, QByteArray& Resolved) {
    Resolved = Path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat status;
        if (::lstat(Resolved.constData(), &status) != 0)
            return errno == ENOENT ? QString() : ReasonText(errno);
        if (!S_ISLNK(status.st_mode))
            return {};
        char target[PATH_MAX];
        const ssize_t length = ::readlink(Resolved.constData(), target, sizeof target);
        if (length < 0)
            return ReasonText(errno);
        if (length == sizeof target)
            return ReasonText(ENAMETOOLONG);
        const QByteArray next(target, length);
        const qsizetype slash = Resolved.lastIndexOf('/');
        Resolved = next.startsWith('/') || slash < 0 ? next : Resolved.left(slash + 1) + next;
    }
    return ReasonText(ELOOP);
}

// Rewrites the file Name in Folder in place, for a folder that takes no new files. The new size
// is reserved before the first byte changes, so a full disk leaves the file as it was.
QString RewriteInPlace(const TFolder& Folder, const QByteArray& Name, QByteArrayView Bytes) {
    // Not blocking: a pipe swapped in for the file cannot hang the open.
    TOpenFile file(::openat(Folder.Descriptor(), Name.constData(),
                            O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.IsOpen())
        return ReasonText(errno);
    struct stat status;
    if (::fstat(file.Descriptor(), &status) != 0)
        return ReasonText(errno);
    if (!S_ISREG(status.st_mode))
        return NotARegularFile();
    if (!Bytes.isEmpty()) {
        if (const int error = ::posix_fallocate(file.Descriptor(), 0, Bytes.size()); error != 0) {
            // A reservation that failed half way may have grown the file.
            if (::ftruncate(file.Descriptor(), status.st_size) != 0)
                return ReasonText(errno);
            return ReasonText(error);
        }
    }
    QString reason = SafeWrite::WriteAll(file.Descriptor(), Bytes);
    if (reason.isEmpty() && ::ftruncate(file.Descriptor(), Bytes.size()) != 0)
        reason = ReasonText(errno);
    if (reason.isEmpty())
        reason = file.Sync();
    if (reason.isEmpty())
        reason = file.Close();
    return reason;
}

} // namespace

namespace SafeWrite {

QString ReasonText(int ErrorNumber) {
    char buffer[256];
    // The GNU strerror_r gives the text, in buffer or in a constant; unlike strerror it is safe
    // on any thread.
    return QString::fromLocal8Bit(::strerror_r(ErrorNumber, buffer, sizeof buffer));
}

TOpenedFolder OpenFolder(const QByteArray& Path) {
    if (Path.isEmpty() || Path.contains('\0'))
        return Failed(ENOENT);
    const int descriptor = ::open(Path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return Failed(errno);
    return {TFolder(descriptor), QString()};
}

TOpenedFolder MakeAndOpenFolder(const QByteArray& Path) {
    if (Path.isEmpty() || Path.contains('\0'))
        return Failed(ENOENT);
    for (qsizetype slash = Path.indexOf('/', 1);; slash = Path.indexOf('/', slash + 1)) {
        const QByteArray level = slash < 0 ? Path : Path.left(slash);
        if (::mkdir(level.constData(), kNewFolderMode) != 0 && errno != EEXIST) {
            // Some systems refuse to make a folder that is already there for other reasons
            // than its being there (a read-only or forbidden parent).
            const int error = errno;
            struct stat status;
            if (::stat(level.constData(), &status) != 0 || !S_ISDIR(status.st_mode))
                return Failed(error);
        }
        if (slash < 0)
            break;
    }
    return OpenFolder(Path);
}

TOpenedFolder MakeAndOpenSubfolder(const TFolder& Parent, const QByteArray& Name) {
    if (!IsPlainName(Name))
        return Failed(EINVAL);
    // Twice at most: once as found, once after removing a link found at the name.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (::mkdirat(Parent.Descriptor(), Name.constData(), kNewFolderMode) != 0 &&
            errno != EEXIST)
            return Failed(errno);
        const int descriptor = ::openat(Parent.Descriptor(), Name.constData(),
                                        O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (descriptor >= 0)
            return {TFolder(descriptor), QString()};
        const int error = errno;
        struct stat status;
        if (::fstatat(Parent.Descriptor(), Name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISLNK(status.st_mode))
            return Failed(error); // a file at the name: "Not a directory"
        if (::unlinkat(Parent.Descriptor(), Name.constData(), 0) != 0 && errno != ENOENT)
            return Failed(errno);
    }
    return Failed(ELOOP);
}

// Not flushed here: a flush per file costs about ten times the write (some 4 ms against 0.3 ms
// for a small JPEG on ext4), where one for the whole file system at the end of a run costs one
// wait. A write that does not fit still fails here, at write or at close.
QString WriteFileIn(const TFolder& Folder, const QByteArray& Name, QByteArrayView Bytes,
                    const std::optional<timespec>& Modified) {
    if (!IsPlainName(Name))
        return ReasonText(EINVAL);
    TTemporaryFile temporary(Folder, kNewFileMode);
    if (!temporary.IsOpen())
        return ReasonText(errno);
    QString reason = WriteAll(temporary.File().Descriptor(), Bytes);
    if (reason.isEmpty() && Modified) {
        const timespec times[2] = {{0, UTIME_NOW}, *Modified};
        if (::futimens(temporary.File().Descriptor(), times) != 0)
            reason = ReasonText(errno);
    }
    if (reason.isEmpty())
        reason = temporary.File().Close();
    if (reason.isEmpty())
        reason = temporary.RenameTo(Name);
    return reason;
}

QString FlushFileSystem(const TFolder& Folder) {
    return ::syncfs(Folder.Descriptor()) == 0 ? QString() : ReasonText(errno);
}

QString WriteFileAt(const QByteArray& Path, QByteArrayView Bytes) {
    const TOpenedFolder opened = OpenFolder(FolderOf(Path));
    if (!opened.Folder.IsOpen())
        return opened.Error;
    return WriteFileIn(opened.Folder, NameOf(Path), Bytes);
}

QString ReplaceFileContent(const QByteArray& Path, QByteArrayView Bytes) {
    if (Path.isEmpty() || Path.contains('\0'))
        return ReasonText(ENOENT);
    QByteArray real;
    if (const QString reason = ResolveLinks(Path, real); !reason.isEmpty())
        return reason;
    const QByteArray name = NameOf(real);
    if (!IsPlainName(name))
        return ReasonText(EISDIR);
    const TOpenedFolder opened = OpenFolder(FolderOf(real));
    if (!opened.Folder.IsOpen())
        return opened.Error;
    const int folder = opened.Folder.Descriptor();

    struct stat old;
    const bool exists = ::fstatat(folder, name.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists && errno != ENOENT)
        return ReasonText(errno);
    if (exists && S_ISDIR(old.st_mode))
        return ReasonText(EISDIR);
    if (exists && !S_ISREG(old.st_mode))
        return NotARegularFile(); // a device or a pipe named like the file
    // A file made read-only stays as it is, as it would if it were written in place.
    if (exists && ::faccessat(folder, name.constData(), W_OK, AT_EACCESS) != 0)
        return ReasonText(errno);

    TTemporaryFile temporary(opened.Folder, kNewFileMode);
    if (!temporary.IsOpen()) {
        const int error = errno;
        if (exists && (error == EACCES || error == EPERM || error == EROFS))
            return RewriteInPlace(opened.Folder, name, Bytes);
        return ReasonText(error);
    }
    TOpenFile& file = temporary.File();
    // The new file keeps the old one's permissions (a private file stays private).
    QString reason;
    if (exists && ::fchmod(file.Descriptor(), old.st_mode & 07777) != 0)
        reason = ReasonText(errno);
    if (reason.isEmpty())
        reason = WriteAll(file.Descriptor(), Bytes);
    if (reason.isEmpty())
        reason = file.Sync();
    if (reason.isEmpty())
        reason = file.Close();
    if (reason.isEmpty())
        reason = temporary.RenameTo(name);
    // The content is safe and in place by now; flushing the folder only hastens the rename to
    // the disk, and a folder that cannot be flushed is no failure of the write.
    if (reason.isEmpty())
        ::fsync(folder);
    return reason;
}

QString WriteAll(int Descriptor, QByteArrayView Bytes) {
    const char* next = Bytes.data();
    qsizetype left = Bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(Descriptor, next, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return ReasonText(errno);
        if (written == 0)
            return ReasonText(EIO); // no progress and no reason: never loop on it
        next += written;
        left -= written;
    }
    return {};
}

} // namespace SafeWrite
