#include "FileListMime.h"

#include <optional>

#include <QMimeData>

#include "platform/AsciiText.h"
#include "platform/FileNames.h"

namespace {

const QString kCopiedFilesFormat = QStringLiteral("x-special/gnome-copied-files");
const QString kUriListFormat = QStringLiteral("text/uri-list");

// A URI escape's digit; a byte past ASCII is none.
int UriHexDigit(char C) {
    return AsciiDigitValue(static_cast<unsigned char>(C), 16);
}

// The bytes of a URI's path, its escapes decoded; nothing when they hold a NUL, which no file
// name can, and at which the system would cut the name. A "%" without two hex digits after it
// stands for itself, as Qt reads a URI list.
std::optional<QByteArray> PathBytes(QByteArrayView Path) {
    QByteArray bytes;
    bytes.reserve(Path.size());
    for (qsizetype i = 0; i < Path.size(); ++i) {
        char byte = Path[i];
        const int high = byte == '%' && i + 2 < Path.size() ? UriHexDigit(Path[i + 1]) : -1;
        const int low = high < 0 ? -1 : UriHexDigit(Path[i + 2]);
        if (low >= 0) {
            byte = static_cast<char>(high << 4 | low);
            i += 2;
        }
        if (byte == '\0')
            return std::nullopt;
        bytes += byte;
    }
    return bytes;
}

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
    const std::optional<QByteArray> path = PathBytes(rest);
    return path ? DecodeFileName(*path) : QString();
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
