#include "SettingsLocation.h"

#include <QFileInfo>

#include "platform/ConfigFolders.h"
#include "platform/ProgramFolder.h"

namespace {

constexpr QLatin1StringView FileName("vellumkite.ini");
constexpr QLatin1StringView FolderName("vellumkite");

} // namespace

TSettingsFile SettingsFileFor(const QString& ProgramFolder) {
    const QString portable = ProgramFolder + u'/' + FileName;
    if (QFileInfo::exists(portable))
        return TSettingsFile(portable);
    QString systemDefaults;
    for (const QString& folder : SystemConfigFolders()) {
        const QString candidate = folder + u'/' + FolderName + u'/' + FileName;
        if (QFileInfo::exists(candidate)) {
            systemDefaults = candidate;
            break;
        }
    }
    return TSettingsFile(UserConfigFolder() + u'/' + FolderName + u'/' + FileName, systemDefaults);
}

TSettingsFile SettingsFile() {
    return SettingsFileFor(ProgramFolder());
}
