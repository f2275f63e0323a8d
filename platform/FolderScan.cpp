#include "FolderScan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <vector>

#include "platform/FileNames.h"
#include "platform/FolderListing.h"
#include "platform/SafeWrite.h"

namespace {

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
    TEntryKind Kind;
};

// A folder as the file system knows it, however it is reached.
struct TFolderIdentity {
    dev_t Device;
    ino_t Inode;
    auto operator<=>(const TFolderIdentity&) const = default;
};

// A folder being scanned: its path, its entries read in full (so only one folder is open at a
// time, however deep the tree) and the next entry to take.
struct TOpenFolder {
    QByteArray Path;
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
        const TEntryKind kind = FolderEntryKind(folder, *entry);
        if (kind != TEntryKind::Nothing)
            entries.push_back({name, kind});
    }
    ::closedir(folder);
    return entries;
}

class TFolderTreeScan {
public:
    TFolderTreeScan(QStringList& Paths, const TFolderScanOptions& Options)
        : FPaths(Paths), FOptions(Options), FTicker(Options.ServeEvents) {}

    void Run(const QString& Folder) {
        QByteArray rootPath = EncodeFileName(Folder);
        if (!rootPath.endsWith('/'))
            rootPath += '/';
        for (const QString& folder : FOptions.LeaveOut) {
            struct stat status;
            if (::stat(EncodeFileName(folder).constData(), &status) == 0)
                FLeftOut.push_back({status.st_dev, status.st_ino});
        }
        Enter(rootPath);
        while (!FScanning.empty()) {
            TOpenFolder& current = FScanning.back();
            if (current.Next == current.Entries.size()) {
                FScanning.pop_back();
                continue;
            }
            FTicker.Tick();
            const TFolderEntry& entry = current.Entries[current.Next++];
            const QByteArray path = current.Path + entry.Name;
            if (entry.Kind == TEntryKind::Folder)
                Enter(path + '/'); // may grow FScanning: current is not used after this
            else if (entry.Kind == TEntryKind::RegularFile || !FOptions.RegularFilesOnly)
                FPaths.append(DecodeFileName(path));
        }
    }

private:
    // Starts on the folder at Path (ending in "/"), unless it was entered before in this scan
    // (met again through a link), is one to leave out, or cannot be read. The scanned folder
    // itself is never left out: it was asked for. Remembering every folder, not only those on
    // the way down, keeps links that fan out to the same folders from multiplying the tree.
    void Enter(const QByteArray& Path) {
        const int handle = ::open(Path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat status;
        if (handle < 0 || ::fstat(handle, &status) != 0) {
            Unreadable(Path, errno);
            if (handle >= 0)
                ::close(handle);
            return;
        }
        const TFolderIdentity identity{status.st_dev, status.st_ino};
        const bool leftOut = !FScanning.empty() && std::find(FLeftOut.begin(), FLeftOut.end(),
                                                             identity) != FLeftOut.end();
        if (leftOut || !FEntered.insert(identity).second) {
            ::close(handle);
            return;
        }
        TOpenFolder folder{Path, ReadEntries(handle, FTicker)};
        if (FOptions.ByName) {
            std::sort(folder.Entries.begin(), folder.Entries.end(),
                      [](const TFolderEntry& A, const TFolderEntry& B) { return A.Name < B.Name; });
        }
        FScanning.push_back(std::move(folder));
    }

    void Unreadable(const QByteArray& Path, int Error) const {
        if (FOptions.Unreadable)
            FOptions.Unreadable(DecodeFileName(Path.chopped(1)), SafeWrite::ReasonText(Error));
    }

    QStringList& FPaths;
    const TFolderScanOptions& FOptions;
    TEventTicker FTicker;
    std::vector<TOpenFolder> FScanning;
    std::set<TFolderIdentity> FEntered;
    std::vector<TFolderIdentity> FLeftOut;
};

} // namespace

void ScanFolderTree(const QString& Folder, QStringList& Paths, const TFolderScanOptions& Options) {
    TFolderTreeScan(Paths, Options).Run(Folder);
}
