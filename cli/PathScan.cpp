#include "PathScan.h"

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

#include "batch/PictureSignature.h"
#include "platform/FileNames.h"
#include "platform/FolderScan.h"
#include "platform/RegularFile.h"
#include "platform/SafeWrite.h"

namespace {

bool IsPicture(const QString& Path) {
    const std::optional<QByteArray> head = ReadFileHead(Path, kPictureSignatureBytes);
    // A file that cannot be opened now is still tried, and reported by the run if it fails.
    return !head || HasPictureSignature(*head);
}

// The folders between Root (ending in "/") and the file at Path below it, ending in "/".
QString SubfolderBelow(const QString& Root, const QString& Path) {
    const QString relative = Path.mid(Root.size());
    return relative.left(relative.lastIndexOf(QLatin1Char('/')) + 1);
}

void ScanFolder(const QString& Folder, const TPathScanOptions& Options, TPathScan& Result) {
    TFolderScanOptions scanOptions;
    scanOptions.ByName = true;
    scanOptions.RegularFilesOnly = true; // devices, pipes and sockets are not pictures
    scanOptions.LeaveOut = Options.LeaveOut;
    scanOptions.Unreadable = [&Result](const QString& Unreadable, const QString& Reason) {
        Result.Problems << QStringLiteral("cannot read the folder %1: %2").arg(Unreadable, Reason);
    };
    QStringList found;
    ScanFolderTree(Folder, found, scanOptions);
    const QString root = Folder.endsWith(QLatin1Char('/')) ? Folder : Folder + QLatin1Char('/');
    for (const QString& path : found) {
        if (!IsPicture(path)) {
            ++Result.Skipped;
            continue;
        }
        Result.Files.push_back(
            {0, path, Options.KeepFolders ? SubfolderBelow(root, path) : QString()});
    }
}

} // namespace

TPathScan CollectPaths(const QStringList& Paths, const TPathScanOptions& Options) {
    TPathScan result;
    for (const QString& path : Paths) {
        const QByteArray name = EncodeFileName(path);
        struct stat status;
        if (::stat(name.constData(), &status) != 0) {
            result.Problems
                << QStringLiteral("cannot read %1: %2").arg(path, SafeWrite::ReasonText(errno));
        } else if (S_ISDIR(status.st_mode)) {
            ScanFolder(path, Options, result);
        } else if (!S_ISREG(status.st_mode)) {
            result.Problems << QStringLiteral("%1 is neither a file nor a folder").arg(path);
        } else if (::access(name.constData(), R_OK) != 0) {
            result.Problems
                << QStringLiteral("cannot read %1: %2").arg(path, SafeWrite::ReasonText(errno));
        } else {
            result.Files.push_back({0, path, QString()});
        }
    }
    return result;
}
