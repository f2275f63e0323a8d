#include "PathScan.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>
#include <vector>

#include "platform/FileNames.h"

namespace fs = std::filesystem;

namespace {

fs::path ToPath(const QString& Text) {
    return fs::path(EncodeFileName(Text).toStdString());
}

QString FromPath(const fs::path& Path) {
    return DecodeFileName(QByteArray::fromStdString(Path.native()));
}

// Scans one folder; Open holds the real paths of the folders being scanned on the way down.
void ScanFolder(const fs::path& Folder, std::set<fs::path>& Open, TPathScan& Result) {
    std::error_code error;
    const fs::path real = fs::canonical(Folder, error);
    if (error || !Open.insert(real).second) {
        return; // a link back into a folder already being scanned
    }
    std::vector<fs::path> entries;
    fs::directory_iterator it(Folder, error);
    if (error) {
        Result.Unreadable << FromPath(Folder) + QStringLiteral(": ") +
                                 QString::fromLocal8Bit(error.message());
    }
    for (const fs::directory_iterator end; !error && it != end; it.increment(error)) {
        entries.push_back(it->path());
    }
    std::sort(entries.begin(), entries.end());
    for (const fs::path& entry : entries) {
        std::error_code statusError;
        const fs::file_status status = fs::status(entry, statusError);
        if (fs::is_regular_file(status)) {
            Result.Files << FromPath(entry);
        } else if (fs::is_directory(status)) {
            ScanFolder(entry, Open, Result);
        }
        // Devices, pipes, sockets and dangling links are not pictures.
    }
    Open.erase(real);
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
            std::set<fs::path> open;
            ScanFolder(ToPath(path), open, result);
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
