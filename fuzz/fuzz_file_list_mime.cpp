// libFuzzer target: the local files a drop or a paste names. The first byte says where the rest
// goes (bit 0: the copied-files list, bit 1: the URI list), and how the rest, taken as a path, is
// written as a URI for the round trip (bit 2: sub-delimiters left unescaped, as GLib writes
// them; bits 3 and 4: the scheme's spelling). Every path read is absolute and could be a file's;
// a path written as a URI comes back byte for byte.
#include <cstddef>
#include <cstdint>

#include <QMimeData>

#include "FuzzInputs.h"
#include "app/FileListMime.h"
#include "platform/FileNames.h"

using vk_fuzz::Expect;

namespace {

const QString kCopiedFiles = QStringLiteral("x-special/gnome-copied-files");
const QString kUriList = QStringLiteral("text/uri-list");

// Path as a file manager would write it into a list.
QByteArray UriOf(const QByteArray& Path, std::uint8_t Flags) {
    const QByteArray escaped = Path.toPercentEncoding(Flags & 4 ? "/!$&'()*+,;=:@" : "/");
    switch ((Flags >> 3) & 3) {
    case 0:
        return "file://" + escaped;
    case 1:
        return "file://localhost" + escaped;
    case 2:
        return "FILE://" + escaped;
    default:
        // Without an authority a path may not start with "//", which would read as one.
        return (Path.startsWith("//") ? "file://" : "file:") + escaped;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size == 0)
        return 0;
    const std::uint8_t flags = Data[0];
    const QByteArray rest(reinterpret_cast<const char*>(Data + 1),
                          static_cast<qsizetype>(Size - 1));

    QMimeData data;
    if (flags & 1)
        data.setData(kCopiedFiles, rest);
    if (flags & 2)
        data.setData(kUriList, rest);
    const QStringList paths = LocalPathsFromMime(data);
    for (const QString& path : paths) {
        Expect(path.startsWith(u'/'), "every path is absolute");
        Expect(!EncodeFileName(path).contains('\0'), "no path holds a NUL, which no name can");
    }
    Expect(HoldsFileList(&data) == !paths.isEmpty(), "a list holds files when it names one");

    QByteArray path = '/' + rest;
    path.replace('\0', '0');
    const QByteArray uri = UriOf(path, flags);
    QMimeData written;
    if (flags & 1)
        written.setData(kCopiedFiles, (flags & 2 ? "cut\n" : "copy\n") + uri);
    else
        written.setData(kUriList, "# a comment\r\n" + uri + "\r\n");
    Expect(LocalPathsFromMime(written) == QStringList{DecodeFileName(path)},
           "a path written as a file URI reads back byte for byte");
    return 0;
}
