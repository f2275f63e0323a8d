#include "FileListEntry.h"

#include <algorithm>

#include "platform/AsciiText.h"
#include "platform/FileNames.h"

FileListEntry EntryForPath(const QString& Path, qint64 Size) {
    FileListEntry entry;
    const QString name = FileNamePart(Path);
    entry.FileType = FileExtension(Path);
    entry.FileName = entry.FileType.isEmpty() ? name : FileNameWithoutExtension(Path);
    entry.SizeText = SizeText(Size);
    entry.Folder = Path.left(Path.size() - name.size());
    entry.IconIndex =
        IconIndexForExtension(entry.FileType.isEmpty() ? QString() : u'.' + entry.FileType);
    return entry;
}

QString EntryFullPath(const FileListEntry& Entry) {
    if (Entry.FileType.isEmpty())
        return Entry.Folder + Entry.FileName;
    return Entry.Folder + Entry.FileName + u'.' + Entry.FileType;
}

QString SizeText(qint64 Size) {
    return QString::number(Size) + QStringLiteral("  B");
}

qint64 SizeFromText(const QString& Text) {
    return QStringView(Text).chopped(std::min<qsizetype>(3, Text.size())).toLongLong();
}

int IconIndexForExtension(const QString& Extension) {
    static const struct {
        QLatin1StringView Extension;
        int Index;
    } kIcons[] = {
        {QLatin1StringView(".bmp"), 0},  {QLatin1StringView(".jpg"), 1},
        {QLatin1StringView(".jpeg"), 1}, {QLatin1StringView(".png"), 2},
        {QLatin1StringView(".gif"), 3},  {QLatin1StringView(".tif"), 4},
        {QLatin1StringView(".tiff"), 4},
    };
    for (const auto& icon : kIcons) {
        if (Extension == icon.Extension)
            return icon.Index;
    }
    return 5;
}

int CompareText(QByteArrayView A, QByteArrayView B) {
    const qsizetype common = std::min(A.size(), B.size());
    for (qsizetype i = 0; i < common; ++i) {
        const auto a = static_cast<unsigned char>(AsciiUpper(A[i]));
        const auto b = static_cast<unsigned char>(AsciiUpper(B[i]));
        if (a != b)
            return a - b;
    }
    return A.size() < B.size() ? -1 : A.size() > B.size() ? 1 : 0;
}
