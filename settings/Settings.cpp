#include "Settings.h"

#include <algorithm>
#include <optional>
#include <utility>

#include <QFileInfo>
#include <QStringView>

#include "platform/AsciiText.h"
#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "platform/PrivateProfile.h"
#include "platform/Processors.h"
#include "platform/SafeWrite.h"

TSettings Settings;

namespace {

constexpr QLatin1StringView kSection("Options");

// Values longer than this are read cut short; no setting needs more.
constexpr qsizetype kMaxValueLength = 2047;

// One stored setting: its key, the field it fills (a number, a flag or a text) and its default,
// with flags as 1 or 0; a text's default is empty.
struct TField {
    const char* Key;
    std::int32_t TSettings::*Number;
    bool TSettings::*Flag;
    std::int32_t Default;
    QString TSettings::*Text = nullptr;
};

constexpr TField Number(const char* Key, std::int32_t TSettings::*Field, std::int32_t Default) {
    return {Key, Field, nullptr, Default};
}

constexpr TField Flag(const char* Key, bool TSettings::*Field, bool Default) {
    return {Key, nullptr, Field, Default ? 1 : 0};
}

constexpr TField Text(const char* Key, QString TSettings::*Field) {
    return {Key, nullptr, nullptr, 0, Field};
}

// Every setting, in the order it is read and written.
constexpr TField kFields[] = {
    Number("JPG_QUALITY", &TSettings::JPGQuality, 70),
    Number("THUMB_WIDTH", &TSettings::ThumbWidth, 100),
    Number("THUMB_HEIGHT", &TSettings::ThumbHeight, 95),
    Number("MEDIUM_WIDTH", &TSettings::MediumWidth, 350),
    Number("MEDIUM_HEIGHT", &TSettings::MediumHeight, 325),
    Number("LARGE_WIDTH", &TSettings::LargeWidth, 600),
    Number("LARGE_HEIGHT", &TSettings::LargeHeight, 600),
    Flag("PROCESS_THUMB", &TSettings::ProcessThumb, true),
    Flag("PROCESS_MEDIUM", &TSettings::ProcessMedium, true),
    Flag("PROCESS_LARGE", &TSettings::ProcessLarge, true),
    Flag("RQ_HIGH", &TSettings::RQHigh, false),
    Flag("STRIP_METADATA", &TSettings::StripMetadata, false),
    Number("FILES_AT_ONCE", &TSettings::FilesAtOnce, 0),
    Number("OUTPUT_FORMAT", &TSettings::OutputFormat, ofJpeg),
    Flag("NEVER_ENLARGE", &TSettings::NeverEnlarge, false),
    Flag("KEEP_DATES", &TSettings::KeepDates, false),
    Flag("SKIP_EXISTING", &TSettings::SkipExisting, false),
    Text("OUTPUT_FOLDER", &TSettings::OutputFolder),
};

void Put(TSettings& Target, const TField& Field, std::int32_t Value) {
    if (Field.Text)
        return;
    if (Field.Flag)
        Target.*Field.Flag = Value != 0;
    else
        Target.*Field.Number = Value;
}

QString TextOf(const TSettings& Source, const TField& Field) {
    if (Field.Text)
        return Source.*Field.Text;
    if (Field.Flag)
        return Source.*Field.Flag ? QStringLiteral("1") : QStringLiteral("0");
    return QString::number(Source.*Field.Number);
}

// Optional leading blanks and sign, then decimal digits, or hexadecimal digits after "$", "0x"
// or "0X". Anything else, and any value beyond 32 bits, is not a number.
std::optional<std::int32_t> ParseInteger(QStringView Text) {
    const qsizetype n = Text.size();
    qsizetype i = 0;
    while (i < n && (Text[i] == u' ' || Text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < n && (Text[i] == u'+' || Text[i] == u'-'))
        negative = Text[i++] == u'-';
    int base = 10;
    if (i < n && Text[i] == u'$') {
        base = 16;
        i += 1;
    } else if (i + 1 < n && Text[i] == u'0' && (Text[i + 1] == u'x' || Text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i == n)
        return std::nullopt;

    constexpr std::int64_t kLimit = std::int64_t(1) << 31;
    std::int64_t magnitude = 0;
    for (; i < n; ++i) {
        const int digit = AsciiDigitValue(Text[i].unicode(), base);
        if (digit < 0)
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > kLimit)
            return std::nullopt; // stops long digit runs before they overflow
    }
    if (!negative && magnitude == kLimit)
        return std::nullopt;
    return std::int32_t(negative ? -magnitude : magnitude);
}

} // namespace

TSettings::TSettings() {
    for (const TField& field : kFields)
        Put(*this, field, field.Default);
}

int JobsFor(const TSettings& Source) {
    return Source.FilesAtOnce > 0 ? Source.FilesAtOnce : UsableProcessorCount();
}

TSettingsFile::TSettingsFile(QString FilePath, QString SystemDefaultsPath)
    : Path(std::move(FilePath)), SystemDefaults(std::move(SystemDefaultsPath)) {}

QString TSettingsFile::ReadPath() const {
    if (!SystemDefaults.isEmpty() && !QFileInfo::exists(Path) && QFileInfo::exists(SystemDefaults))
        return SystemDefaults;
    return Path;
}

void LoadSettings(TSettings& Target, const TSettingsFile& File) {
    const QString path = File.ReadPath();
    for (const TField& field : kFields) {
        const QString text = PrivateProfile::ReadString(
            path, kSection, QString::fromLatin1(field.Key), QString(), kMaxValueLength);
        if (field.Text)
            Target.*field.Text = text;
        else
            Put(Target, field, ParseInteger(text).value_or(field.Default));
    }
}

void SaveSettings(const TSettings& Source, const TSettingsFile& File) {
    QList<PrivateProfile::TKeyValue> entries;
    for (const TField& field : kFields)
        entries.append({QString::fromLatin1(field.Key), TextOf(Source, field)});
    // A user's settings folder is made on the first save.
    const qsizetype slash = File.Path.lastIndexOf(u'/');
    const QByteArray folder = EncodeFileName(File.Path.left(std::max<qsizetype>(slash, 0)));
    const bool folderReady =
        folder.isEmpty() || SafeWrite::MakeAndOpenFolder(folder).Error.isEmpty();
    if (!folderReady || !PrivateProfile::WriteStrings(File.Path, kSection, entries))
        throw Exception(QStringLiteral("Unable to write to %1").arg(File.Path).toStdString());
}
