#include "FileListImport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "app/FileListMime.h"
#include "app/FileListModel.h"
#include "app/FileListScan.h"
#include "platform/FileNames.h"
#include "platform/SafeWrite.h"

namespace {

QString ImportingText(int Count) {
    return QStringLiteral("Importing list of files(%1)...").arg(Count);
}

QString GettingFilesText() {
    return QStringLiteral("Please wait while getting list of files...");
}

// Events are served this often during an import, and the progress moves this often.
constexpr int kPumpEvery = 200;
constexpr int kProgressEvery = 5;

// Finds the sizes of listed files, and whether they may be read. Paths come mostly in runs from
// one folder, so each folder is opened once and its files are looked up inside it. A file is
// checked for reading rights, not opened: opening a device can act on it, and a pipe can stall.
class TFileSizes {
public:
    TFileSizes() = default;
    TFileSizes(const TFileSizes&) = delete;
    TFileSizes& operator=(const TFileSizes&) = delete;
    ~TFileSizes() { CloseFolder(); }

    // The size of the file at Path; or nothing, with the system's reason in Reason.
    std::optional<qint64> Size(const QString& Path, QString& Reason) {
        const QByteArray path = EncodeFileName(Path);
        const qsizetype nameStart = path.lastIndexOf('/') + 1;
        int base = AT_FDCWD;
        const char* name = path.constData();
        if (nameStart > 0 && nameStart < path.size()) {
            const QByteArrayView folder = QByteArrayView(path).first(nameStart);
            if (folder != FFolderPath) {
                CloseFolder();
                FFolderPath = folder.toByteArray();
                FFolder = ::open(FFolderPath.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            }
            // A folder that cannot be opened is looked through again with the whole path, so
            // the reason given is the system's for that path.
            if (FFolder >= 0) {
                base = FFolder;
                name += nameStart;
            }
        }
        struct stat status;
        int error = 0;
        if (::fstatat(base, name, &status, 0) != 0)
            error = errno;
        else if (S_ISDIR(status.st_mode))
            error = EISDIR;
        else if (!OwnReadable(status) && ::faccessat(base, name, R_OK, AT_EACCESS) != 0)
            error = errno;
        if (error != 0) {
            Reason = QStringLiteral("Cannot open file \"%1\". %2")
                         .arg(Path, SafeWrite::ReasonText(error));
            return std::nullopt;
        }
        return static_cast<qint64>(status.st_size);
    }

private:
    // The user's own files with the owner's read bit set are readable: the owner's rights are
    // those bits, whatever access lists the file carries. This spares a system call for nearly
    // every file of a large import.
    bool OwnReadable(const struct stat& Status) const {
        return Status.st_uid == FUser && (Status.st_mode & S_IRUSR) != 0;
    }

    void CloseFolder() {
        if (FFolder >= 0)
            ::close(FFolder);
        FFolder = -1;
    }

    const uid_t FUser = ::geteuid();
    QByteArray FFolderPath;
    int FFolder = -1;
};

// Puts the window back whatever way an import leaves: the rows made shown, list redrawn, counts
// shown, progress hidden, idle.
class TImportEnd {
public:
    TImportEnd(TFileListModel& List, IFileListView& View) : FList(List), FView(View) {}
    TImportEnd(const TImportEnd&) = delete;
    TImportEnd& operator=(const TImportEnd&) = delete;
    ~TImportEnd() {
        FList.CommitStaged();
        FView.EndListUpdate();
        FView.ShowFilesProcessed(0, FList.Count());
        FView.HideProgress();
        FView.SetIdle(true);
    }

private:
    TFileListModel& FList;
    IFileListView& FView;
};

// The window is busy while a scan serves events, so no command runs meanwhile; the import that
// follows makes it idle again, and so does this when the scan leaves by an error.
class TBusyWhileScanning {
public:
    explicit TBusyWhileScanning(IFileListView& View) : FView(View) { FView.SetIdle(false); }
    TBusyWhileScanning(const TBusyWhileScanning&) = delete;
    TBusyWhileScanning& operator=(const TBusyWhileScanning&) = delete;
    ~TBusyWhileScanning() {
        if (FArmed)
            FView.SetIdle(true);
    }
    void Done() { FArmed = false; }

private:
    IFileListView& FView;
    bool FArmed = true;
};

// Every file below Folder, serving events now and then.
void CollectServingEvents(const QString& Folder, QStringList& Paths, IFileListView& View) {
    CollectFolderFiles(Folder, Paths, [&View] { View.ProcessMessages(); });
}

// The hourglass for the life of the object.
class TWaitCursor {
public:
    explicit TWaitCursor(IFileListView& View) : FView(View) { FView.SetWaitCursor(true); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
    ~TWaitCursor() { FView.SetWaitCursor(false); }

private:
    IFileListView& FView;
};

} // namespace

bool ImportFileList(TFileListModel& List, const QStringList& Paths, IFileListView& View) {
    const int count = static_cast<int>(Paths.size());
    View.SetIdle(false);
    View.SetStatusLabel1(ImportingText(count));
    View.ShowProgress(count);
    View.BeginListUpdate();
    QString failure;
    {
        TImportEnd end(List, View);
        TFileSizes sizes;
        for (int i = 0; i < count; ++i) {
            const std::optional<qint64> size = sizes.Size(Paths[i], failure);
            if (!size)
                break;
            List.StageEntry(EntryForPath(Paths[i], *size));
            if (i % kProgressEvery == 0 || i == count - 1) {
                View.SetProgress(i);
                if (i % kPumpEvery == 0)
                    View.ProcessMessages();
            }
        }
    }
    if (!failure.isEmpty()) {
        View.ReportError(failure);
        return false;
    }
    return true;
}

void AddChosenFiles(TFileListModel& List, const QStringList& Paths, IFileListView& View) {
    bool imported = false;
    {
        TWaitCursor cursor(View);
        imported = ImportFileList(List, Paths, View);
    }
    if (imported)
        View.ShowWaitingCount();
}

void AddFolderFiles(TFileListModel& List, const QString& Folder, IFileListView& View) {
    View.SetStatusLabel1(GettingFilesText());
    bool imported = false;
    {
        TWaitCursor cursor(View);
        QStringList paths;
        TBusyWhileScanning busy(View);
        CollectServingEvents(Folder, paths, View);
        busy.Done();
        imported = ImportFileList(List, paths, View);
    }
    if (imported)
        View.ShowWaitingCount();
}

void AddDroppedFiles(TFileListModel& List, const QMimeData& Data, IFileListView& View) {
    AddDroppedPaths(List, LocalPathsFromMime(Data), View);
}

void AddDroppedPaths(TFileListModel& List, const QStringList& Paths, IFileListView& View) {
    if (!View.Idle())
        return;
    View.SetStatusLabel1(GettingFilesText());
    bool imported = false;
    {
        TWaitCursor cursor(View);
        QStringList paths;
        TBusyWhileScanning busy(View);
        for (const QString& name : Paths) {
            struct stat status;
            if (::stat(EncodeFileName(name).constData(), &status) == 0 && S_ISDIR(status.st_mode))
                CollectServingEvents(name.endsWith(u'/') ? name : name + u'/', paths, View);
            else
                paths.append(name);
        }
        busy.Done();
        imported = ImportFileList(List, paths, View);
    }
    if (imported)
        View.ShowWaitingCount();
}
