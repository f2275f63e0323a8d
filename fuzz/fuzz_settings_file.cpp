// libFuzzer target: the settings file reader and writer, on the input written as the settings
// file (in /dev/shm where there is one: the target writes a file for every input). The record
// read is saved over the same file and read back unchanged; a second save changes no byte; a
// save changes no key but its own.
#include <cstddef>
#include <cstdint>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "FuzzInputs.h"
#include "platform/Errors.h"
#include "platform/PrivateProfile.h"
#include "platform/RegularFile.h"
#include "settings/Settings.h"

using vk_fuzz::Expect;

namespace {

// A folder of its own for each input, gone after it.
QString FolderPath() {
    const QString memory = QStringLiteral("/dev/shm");
    return (QDir(memory).exists() ? memory : QDir::tempPath()) +
           QStringLiteral("/vk-fuzz-settings-XXXXXX");
}

// Keys the settings do not own, in their section and beside it.
QStringList OthersIn(const QString& Path) {
    QStringList values;
    for (const auto& [section, key] :
         {std::pair{"Options", "EXTRA"}, {"Other", "JPG_QUALITY"}, {"Other", "OUTPUT_FOLDER"}})
        values << PrivateProfile::ReadString(Path, QString::fromLatin1(section),
                                             QString::fromLatin1(key), QStringLiteral("-"), 4096);
    return values;
}

bool Save(const TSettings& Record, const TSettingsFile& File) {
    try {
        SaveSettings(Record, File);
        return true;
    } catch (const Exception&) {
        return false;
    }
}

QByteArray Content(const QString& Path) {
    return ReadRegularFile(Path, 1 << 24).value_or(QByteArray("(unreadable)"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const QTemporaryDir folder(FolderPath());
    const QString path = folder.path() + QStringLiteral("/vellumkite.ini");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(Data), static_cast<qint64>(Size)) !=
            static_cast<qint64>(Size))
        return 0;
    file.close();

    const TSettingsFile settingsFile(path);
    TSettings read;
    LoadSettings(read, settingsFile);
    const QStringList others = OthersIn(path);
    Expect(Save(read, settingsFile), "a record read can be saved");
    TSettings again;
    LoadSettings(again, settingsFile);
    Expect(again == read, "a record saved reads back as it was");
    Expect(OthersIn(path) == others, "a save changes no key but the settings'");
    const QByteArray saved = Content(path);
    Expect(Save(read, settingsFile) && Content(path) == saved,
           "saving the same record changes no byte");
    return 0;
}
