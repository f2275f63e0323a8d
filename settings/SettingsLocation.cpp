#include "SettingsLocation.h"

#include <QFileInfo>

#include "platform/ConfigFolders.h"
#include "platform/ProgramFolder.h"

namespace {

constexpr QLatin1StringView kFileName("vellumkite.ini");
constexpr QLatin1StringView kFolderName("vellumkite");

} // namespace

TSettingsFile SettingsFileFor(const QString& ProgramFolder) {
    const QString portable = ProgramFolder + u'/' + kFileName;
    if (QFileInfo::exists(portable))
        return TSettingsFile(portable);
    QString systemDefaults;
    for (const QString& folder : SystemConfigFolders()) {
        const QString candidate = folder + u'/' + kFolderName + u'/' + kFileName;
        if (QFileInfo::exists(candidate)) {
            systemDefaults = candidate;
            break;
        }
    }
    return TSettingsFile(UserConfigFolder() + u'/' + kFolderName + u'/' + kFileName,
                         systemDefaults);
}

TSettingsFile SettingsFile() {
    return SettingsFileFor(ProgramFolder());
}
