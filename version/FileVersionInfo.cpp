#include "FileVersionInfo.h"

#include <array>
#include <iterator>
#include <utility>

#include <QFileInfo>
#include <QMimeDatabase>

#include "ExecutableImage.h"
#include "VersionBlock.h"
#include "platform/RegularFile.h"

namespace {

QString FromUtf16(const std::u16string& Text) {
    return QString(reinterpret_cast<const QChar*>(Text.data()),
                   static_cast<qsizetype>(Text.size()));
}

// The desktop's name for the file's type: the MIME database's comment, at most 80 characters
// (SHFILEINFO's szTypeName). Content is looked at only in Bytes, which were read from a regular
// file; anything else is named by its name alone, so nothing here opens a device or a pipe.
QString ShellTypeNameOf(const QString& FileName, const std::optional<QByteArray>& Bytes) {
    const QMimeDatabase database;
    QMimeType type;
    if (Bytes) {
        type = database.mimeTypeForFileNameAndData(FileName, *Bytes);
    } else {
        const QFileInfo info(FileName);
        if (!info.exists())
            return {};
        type = database.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    }
    return type.isValid() ? type.comment().left(80) : QString();
}

const std::array<std::pair<const char16_t*, QString TFileVersionInfo::*>, 12> kStringFields = {{
    {u"CompanyName", &TFileVersionInfo::CompanyName},
    {u"FileDescription", &TFileVersionInfo::FileDescription},
    {u"FileVersion", &TFileVersionInfo::FileVersion},
    {u"InternalName", &TFileVersionInfo::InternalName},
    {u"LegalCopyRight", &TFileVersionInfo::LegalCopyRight},
    {u"LegalTradeMarks", &TFileVersionInfo::LegalTradeMarks},
    {u"OriginalFileName", &TFileVersionInfo::OriginalFileName},
    {u"ProductName", &TFileVersionInfo::ProductName},
    {u"ProductVersion", &TFileVersionInfo::ProductVersion},
    {u"Comments", &TFileVersionInfo::Comments},
    {u"SpecialBuild", &TFileVersionInfo::SpecialBuild},
    {u"PrivateBuild", &TFileVersionInfo::PrivateBuild},
}};

} // namespace

QString TextAfterLastDot(const QString& Text) {
    return Text.mid(Text.lastIndexOf(QLatin1Char('.')) + 1);
}

QString FileTypeDescription(std::uint32_t FileType, std::uint32_t FileSubtype) {
    static const char* const kDrivers[] = {
        "Unknown Driver",    "Printer Driver", "Keyboard Driver",      "Language Driver",
        "Display Driver",    "Mouse Driver",   "Network Driver",       "System Driver",
        "InstallableDriver", "Sound Driver",   "Communications Driver"};
    static const char* const kFonts[] = {"Unknown Font", "Raster Font", "Vector Font",
                                         "Truetype Font"};
    switch (FileType) {
    case 0:
        return QStringLiteral("Unknown");
    case 1:
        return QStringLiteral("Application");
    case 2:
        return QStringLiteral("DLL");
    case 3:
        return FileSubtype < std::size(kDrivers) ? QString::fromLatin1(kDrivers[FileSubtype])
                                                 : QString();
    case 4:
        return FileSubtype < std::size(kFonts) ? QString::fromLatin1(kFonts[FileSubtype])
                                               : QString();
    case 5:
        return QStringLiteral("Virtual Defice Identifier = ") +
               QStringLiteral("%1").arg(FileSubtype, 8, 16, QLatin1Char('0')).toUpper();
    case 7:
        return QStringLiteral("Static-link Library");
    default:
        return {};
    }
}

bool HasFileFlag(std::uint32_t FileFlagsMask, std::uint32_t FileFlags, std::uint32_t Flag) {
    return (FileFlagsMask & Flag) != 0 && (FileFlags & Flag) != 0;
}

QString QueryVersionString(std::span<const std::uint8_t> Block, const QString& Key) {
    return FromUtf16(VersionBlock::QueryVersionString(Block, Key.toStdU16String()));
}

void ReadVersionBlockFields(std::span<const std::uint8_t> Block, TFileVersionInfo& Info) {
    for (const auto& [key, field] : kStringFields)
        Info.*field = FromUtf16(VersionBlock::QueryVersionString(Block, key));
    const std::optional<VersionBlock::TFixedFileInfo> fixed =
        VersionBlock::QueryFixedFileInfo(Block);
    if (!fixed)
        return;
    const auto flag = [&](std::uint32_t Bit) {
        return HasFileFlag(fixed->FileFlagsMask, fixed->FileFlags, Bit);
    };
    Info.IsDebug = flag(0x01);
    Info.IsPreRelease = flag(0x02);
    Info.IsSpecialBuild = flag(0x20);
    Info.IsPrivateBuild = flag(0x08);
    Info.IsPatched = flag(0x04);
    Info.IsInfoInferred = flag(0x10);
    Info.FileTypeText = FileTypeDescription(fixed->FileType, fixed->FileSubtype);
}

void ReadExecutableImageFields(std::span<const std::uint8_t> Image, TFileVersionInfo& Info) {
    if (const auto block = ExecutableImage::FindVersionBlock(Image))
        ReadVersionBlockFields(*block, Info);
}

void ReadFileVersionInfo(const QString& FileName, TFileVersionInfo& Info) {
    Info = TFileVersionInfo();
    const std::optional<QByteArray> bytes = ReadRegularFile(FileName, kMaxVersionFileBytes);
    Info.ShellTypeName = ShellTypeNameOf(FileName, bytes);
    if (!bytes)
        return;
    ReadExecutableImageFields(std::span(reinterpret_cast<const std::uint8_t*>(bytes->constData()),
                                        static_cast<std::size_t>(bytes->size())),
                              Info);
}
