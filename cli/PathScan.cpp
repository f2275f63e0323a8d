#include "PathScan.h"

#include <filesystem>
#include <system_error>

#include "platform/FileNames.h"
#include "platform/FolderScan.h"

namespace fs = std::filesystem;

namespace {

fs::path ToPath(const QString& Text) {
    return fs::path(EncodeFileName(Text).toStdString());
}

} // namespace

TPathScan CollectPaths(const QStringList& Paths) {
    TPathScan result;
    for (const QString& path : Paths) {
        std::error_code error;
        const fs::file_status status = fs::status(ToPath(path), error);
        if (fs::is_regular_file(status)) {
            result.Files << path;
        } else if (fs::is_directory(status)) {
            TFolderScanOptions options;
            options.ByName = true;
            options.RegularFilesOnly = true; // devices, pipes and sockets are not pictures
            options.Unreadable = [&result](const QString& Folder, const QString& Reason) {
                result.Unreadable << Folder + QStringLiteral(": ") + Reason;
            };
            ScanFolderTree(path, result.Files, options);
        } else if (fs::exists(status)) {
            result.Error = QStringLiteral("'%1' is neither a file nor a folder").arg(path);
            return result;
        } else {
            result.Error = QStringLiteral("'%1' does not exist").arg(path);
            return result;
        }
    }
    return result;
}
