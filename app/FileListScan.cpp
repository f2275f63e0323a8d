#include "FileListScan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/FileNames.h"

namespace {

enum class TKind { File, Folder };

// Calls the scan's event server after every so many entries.
class TEventTicker {
public:
    explicit TEventTicker(const std::function<void()>& ServeEvents) : FServe(ServeEvents) {}
    void Tick() {
        if (FServe && ++FEntries % kEntriesBetweenEvents == 0)
            FServe();
    }

private:
    static constexpr int kEntriesBetweenEvents = 200;
    const std::function<void()>& FServe;
    int FEntries = 0;
};

struct TFolderEntry {
    QByteArray Name;
    TKind Kind;
};

// A folder being scanned: its path, its entries read in full (so only one folder is open at a
// time, however deep the tree) and the next entry to take.
struct TOpenFolder {
    QByteArray Path;
    dev_t Device;
    ino_t Inode;
    std::vector<TFolderEntry> Entries;
    std::size_t Next = 0;
};

// The entries of the folder open as Handle, without "." and "..", and without names that stand
// for nothing (a dangling link). Takes over Handle.
std::vector<TFolderEntry> ReadEntries(int Handle, TEventTicker& Ticker) {
    std::vector<TFolderEntry> entries;
    DIR* folder = ::fdopendir(Handle);
    if (folder == nullptr) {
        ::close(Handle);
        return entries;
    }
    while (const dirent* entry = ::readdir(folder)) {
        Ticker.Tick();
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        // The entry's own type spares a status call for plain files and folders.
        if (entry->d_type == DT_DIR) {
            entries.push_back({name, TKind::Folder});
            continue;
        }
        if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) {
            entries.push_back({name, TKind::File});
            continue;
        }
        struct stat status;
        if (::fstatat(::dirfd(folder), entry->d_name, &status, 0) == 0)
            entries.push_back({name, S_ISDIR(status.st_mode) ? TKind::Folder : TKind::File});
    }
    ::closedir(folder);
    return entries;
}

// Opens Path as a folder to scan; false when it cannot be read, or when it is one of Scanning
// (met again through a link).
bool OpenFolder(const QByteArray& Path, const std::vector<TOpenFolder>& Scanning,
                TOpenFolder& Folder, TEventTicker& Ticker) {
    const int handle = ::open(Path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0)
        return false;
    struct stat status;
    if (::fstat(handle, &status) != 0) {
        ::close(handle);
        return false;
    }
    for (const TOpenFolder& open : Scanning) {
        if (open.Device == status.st_dev && open.Inode == status.st_ino) {
            ::close(handle);
            return false;
        }
    }
    Folder.Path = Path;
    Folder.Device = status.st_dev;
    Folder.Inode = status.st_ino;
    Folder.Entries = ReadEntries(handle, Ticker);
    return true;
}

} // namespace

void CollectFolderFiles(const QString& Folder, QStringList& Paths,
                        const std::function<void()>& ServeEvents) {
    TEventTicker ticker(ServeEvents);
    std::vector<TOpenFolder> scanning;
    QByteArray rootPath = EncodeFileName(Folder);
    if (!rootPath.endsWith('/'))
        rootPath += '/';
    TOpenFolder root;
    if (!OpenFolder(rootPath, scanning, root, ticker))
        return;
    scanning.push_back(std::move(root));
    while (!scanning.empty()) {
        TOpenFolder& current = scanning.back();
        if (current.Next == current.Entries.size()) {
            scanning.pop_back();
            continue;
        }
        ticker.Tick();
        const TFolderEntry& entry = current.Entries[current.Next++];
        const QByteArray path = current.Path + entry.Name;
        if (entry.Kind == TKind::File) {
            Paths.append(DecodeFileName(path));
            continue;
        }
        TOpenFolder subfolder;
        if (OpenFolder(path + '/', scanning, subfolder, ticker))
            scanning.push_back(std::move(subfolder));
    }
}
