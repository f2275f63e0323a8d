// Where the settings file is: beside the program for a portable copy, otherwise in the user's
// configuration folder, with system-wide defaults read while the user has none.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/ConfigFolders.h"
#include "platform/Errors.h"
#include "platform/ProgramFolder.h"
#include "settings/Settings.h"
#include "settings/SettingsLocation.h"
#include "support/Raises.h"
#include "support/TestMain.h"
#include "support/TextFiles.h"

using vk_test::Contents;
using vk_test::RaisedText;
using vk_test::Store;

class TestSettingsLocation : public QObject {
    Q_OBJECT

    // A fresh layout for each test: a program folder, a home and two system folders.
    std::optional<QTemporaryDir> Root;

    QString Path(const QString& Name) const { return Root->filePath(Name); }
    QString Program() const { return Path(QStringLiteral("bin")); }

    // A settings file at Name holding only the quality, its folders made.
    void StoreQuality(const QString& Name, int Quality) {
        QDir().mkpath(QFileInfo(Path(Name)).path());
        Store(Path(Name), "[Options]\nJPG_QUALITY=" + QByteArray::number(Quality) + "\n");
    }

    int LoadedQuality() const {
        TSettings settings;
        LoadSettings(settings, SettingsFileFor(Program()));
        return settings.JPGQuality;
    }

private slots:
    void init() {
        Root.emplace();
        QDir().mkpath(Program());
        qputenv("HOME", QFile::encodeName(Path(QStringLiteral("home"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(Path(QStringLiteral("config"))));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(Path(QStringLiteral("site")) + ":" +
                                                     Path(QStringLiteral("vendor"))));
    }

    void configFoldersFollowTheEnvironment() {
        QCOMPARE(UserConfigFolder(), Path(QStringLiteral("config")));
        QCOMPARE(SystemConfigFolders(),
                 (QStringList{Path(QStringLiteral("site")), Path(QStringLiteral("vendor"))}));
        // Relative paths would depend on the working folder; they are ignored.
        qputenv("XDG_CONFIG_HOME", "relative/config");
        qputenv("XDG_CONFIG_DIRS", "relative:" + QFile::encodeName(Path(QStringLiteral("site"))));
        QCOMPARE(UserConfigFolder(), Path(QStringLiteral("home/.config")));
        QCOMPARE(SystemConfigFolders(), QStringList{Path(QStringLiteral("site"))});
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_CONFIG_DIRS");
        QCOMPARE(UserConfigFolder(), Path(QStringLiteral("home/.config")));
        QCOMPARE(SystemConfigFolders(), QStringList{"/etc/xdg"});
    }

    void aFileBesideTheProgramIsUsedAsItStands() {
        StoreQuality(QStringLiteral("config/vellumkite/vellumkite.ini"), 50);
        StoreQuality(QStringLiteral("bin/vellumkite.ini"), 40);
        const TSettingsFile file = SettingsFileFor(Program());
        QCOMPARE(file, TSettingsFile(Path(QStringLiteral("bin/vellumkite.ini"))));
        QCOMPARE(LoadedQuality(), 40);
    }

    void withoutOneTheUsersOwnFileIsRead() {
        StoreQuality(QStringLiteral("site/vellumkite/vellumkite.ini"), 30);
        StoreQuality(QStringLiteral("config/vellumkite/vellumkite.ini"), 50);
        QCOMPARE(SettingsFileFor(Program()).Path,
                 Path(QStringLiteral("config/vellumkite/vellumkite.ini")));
        QCOMPARE(LoadedQuality(), 50);
    }

    // The first system folder that holds a file wins; the user's first save leaves it alone.
    void systemDefaultsStandInUntilTheUserSaves() {
        QCOMPARE(LoadedQuality(), 70);
        StoreQuality(QStringLiteral("vendor/vellumkite/vellumkite.ini"), 20);
        QCOMPARE(LoadedQuality(), 20);
        StoreQuality(QStringLiteral("site/vellumkite/vellumkite.ini"), 30);
        QCOMPARE(LoadedQuality(), 30);

        TSettings settings;
        LoadSettings(settings, SettingsFileFor(Program()));
        settings.ProcessThumb = false;
        SaveSettings(settings, SettingsFileFor(Program()));
        const QString user = Path(QStringLiteral("config/vellumkite/vellumkite.ini"));
        QVERIFY(Contents(user).contains("JPG_QUALITY=30\n"));
        QVERIFY(Contents(user).contains("PROCESS_THUMB=0\n"));
        QCOMPARE(Contents(Path(QStringLiteral("site/vellumkite/vellumkite.ini"))),
                 "[Options]\nJPG_QUALITY=30\n");
        StoreQuality(QStringLiteral("site/vellumkite/vellumkite.ini"), 10);
        QCOMPARE(LoadedQuality(), 30);
    }

    void theFirstSaveMakesTheFoldersItNeeds() {
        qunsetenv("XDG_CONFIG_HOME");
        SaveSettings(TSettings(), SettingsFileFor(Program()));
        QVERIFY(Contents(Path(QStringLiteral("home/.config/vellumkite/vellumkite.ini")))
                    .startsWith("[Options]\nJPG_QUALITY=70\n"));
        QVERIFY(!QFileInfo::exists(Path(QStringLiteral("bin/vellumkite.ini"))));
    }

    void anUnwritableLocationNamesThePathTried() {
        Store(Path(QStringLiteral("config")), "a file where the folder should be");
        const QString tried = Path(QStringLiteral("config/vellumkite/vellumkite.ini"));
        QCOMPARE(
            RaisedText<Exception>([&] { SaveSettings(TSettings(), SettingsFileFor(Program())); }),
            "Unable to write to " + tried);
    }

    void theRunningProgramLooksInItsOwnFolder() {
        QCOMPARE(ProgramFolder(), QCoreApplication::applicationDirPath());
        QCOMPARE(SettingsFile(), SettingsFileFor(QCoreApplication::applicationDirPath()));
    }
};

VK_TEST_MAIN(QCoreApplication, TestSettingsLocation)
#include "test_settings_location.moc"
