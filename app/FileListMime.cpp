#include "FileListMime.h"

#include <QMimeData>

#include "platform/FileNames.h"

namespace {

const QString kCopiedFilesFormat = QStringLiteral("x-special/gnome-copied-files");
const QString kUriListFormat = QStringLiteral("text/uri-list");

// The local path a file URI stands for; empty for any other URI. The escapes are decoded to
// bytes here, since a name need not be UTF-8. A "#" or "?" is taken as part of the name: file
// managers escape them, and a name is never cut.
QString LocalPathFromUri(QByteArrayView Uri) {
    constexpr QByteArrayView kScheme("file:");
    if (Uri.size() < kScheme.size() ||
        QByteArrayView(Uri.first(kScheme.size())).compare(kScheme, Qt::CaseInsensitive) != 0)
        return {};
    QByteArrayView rest = Uri.sliced(kScheme.size());
    if (rest.startsWith("//")) {
        rest = rest.sliced(2);
        const qsizetype pathStart = rest.indexOf('/');
        if (pathStart < 0)
            return {};
        const QByteArrayView host = rest.first(pathStart);
        if (!host.isEmpty() && host.compare("localhost", Qt::CaseInsensitive) != 0)
            return {};
        rest = rest.sliced(pathStart);
    }
    if (!rest.startsWith('/'))
        return {};
    return DecodeFileName(QByteArray::fromPercentEncoding(rest.toByteArray()));
}

} // namespace

QStringList LocalPathsFromMime(const QMimeData& Data) {
    const bool copiedFiles = Data.hasFormat(kCopiedFilesFormat);
    const QByteArray list = Data.data(copiedFiles ? kCopiedFilesFormat : kUriListFormat);
    QStringList paths;
    for (const QByteArray& line : list.split('\n')) {
        const QByteArrayView uri = QByteArrayView(line).trimmed();
        // Comments, and the copied-files list's first line ("copy" or "cut"), are no file URI.
        if (uri.startsWith('#'))
            continue;
        const QString path = LocalPathFromUri(uri);
        if (!path.isEmpty())
            paths.append(path);
    }
    return paths;
}

bool HoldsFileList(const QMimeData* Data) {
    return Data != nullptr && !LocalPathsFromMime(*Data).isEmpty();
}
