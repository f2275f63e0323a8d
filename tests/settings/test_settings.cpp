// The settings store: defaults, the reading rules, the file it writes and what it keeps.

#include <sys/inotify.h>
#include <unistd.h>

#include <optional>
#include <utility>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/Errors.h"
#include "settings/Settings.h"
#include "support/FileSystems.h"
#include "support/Raises.h"
#include "support/TestMain.h"
#include "support/TextFiles.h"

Q_DECLARE_METATYPE(TSettings)

char* toString(const TSettings& S) {
    return QTest::toString(QStringLiteral("quality %1, thumb %2x%3 %4, medium %5x%6 %7, large "
                                          "%8x%9 %10, high %11, strip %12")
                               .arg(S.JPGQuality)
                               .arg(S.ThumbWidth)
                               .arg(S.ThumbHeight)
                               .arg(S.ProcessThumb)
                               .arg(S.MediumWidth)
                               .arg(S.MediumHeight)
                               .arg(S.ProcessMedium)
                               .arg(S.LargeWidth)
                               .arg(S.LargeHeight)
                               .arg(S.ProcessLarge)
                               .arg(S.RQHigh)
                               .arg(S.StripMetadata));
}

namespace {

using vk_test::Contents;
using vk_test::DefaultFile;
using vk_test::OutputChoiceDefaults;
using vk_test::RaisedText;
using vk_test::Store;

template <typename T> TSettings With(T TSettings::*Field, T Value) {
    TSettings settings;
    settings.*Field = Value;
    return settings;
}

// How many files in Folder were closed after writing, and how many were renamed into it, while
// Action ran.
template <typename F> std::pair<int, int> WritesDuring(const QString& Folder, F Action) {
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch < 0 || ::inotify_add_watch(watch, QFile::encodeName(Folder).constData(),
                                         IN_CLOSE_WRITE | IN_MOVED_TO) < 0)
        return {-1, -1};
    Action();
    std::pair<int, int> counts{0, 0};
    alignas(inotify_event) char events[64 * 1024];
    ssize_t length;
    while ((length = ::read(watch, events, sizeof events)) > 0) {
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            counts.first += (event->mask & IN_CLOSE_WRITE) != 0;
            counts.second += (event->mask & IN_MOVED_TO) != 0;
            at += ssize_t(sizeof(inotify_event)) + event->len;
        }
    }
    ::close(watch);
    return counts;
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private:
    QTemporaryDir Folder;
    QString Ini() const { return Folder.filePath(QStringLiteral("vellumkite.ini")); }

    TSettings Loaded() const {
        TSettings settings = With(&TSettings::JPGQuality, -99); // shows that every field is set
        LoadSettings(settings, Ini());
        return settings;
    }

private slots:
    void init() { QFile::remove(Ini()); }

    void givesTheDefaultsWithoutAFile() { QCOMPARE(Loaded(), TSettings()); }

    // The defaults themselves show in the file they make.
    void writesEveryKeyInOrderAndNothingElse() {
        SaveSettings(TSettings(), Ini());
        QCOMPARE(Contents(Ini()), DefaultFile);
        QCOMPARE(
            QDir(Folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{"vellumkite.ini"});
    }

    void readsBackWhatItWrote_data() {
        QTest::addColumn<TSettings>("settings");
        TSettings changed;
        changed.JPGQuality = 5;
        changed.ThumbWidth = -1;
        changed.ThumbHeight = 2147483647;
        changed.MediumWidth = 0;
        changed.MediumHeight = -2147483647 - 1;
        changed.LargeWidth = 2000;
        changed.LargeHeight = 1999;
        changed.RQHigh = true;
        QTest::newRow("every number changed") << changed;
        // Each flag alone, so that two flags sharing a key would show.
        QTest::newRow("thumbnail off") << With(&TSettings::ProcessThumb, false);
        QTest::newRow("medium off") << With(&TSettings::ProcessMedium, false);
        QTest::newRow("large off") << With(&TSettings::ProcessLarge, false);
        QTest::newRow("high quality on") << With(&TSettings::RQHigh, true);
        QTest::newRow("metadata stripped") << With(&TSettings::StripMetadata, true);
    }

    void readsBackWhatItWrote() {
        QFETCH(TSettings, settings);
        SaveSettings(TSettings(), Ini());
        SaveSettings(settings, Ini());
        QCOMPARE(Loaded(), settings);
    }

    void keepsTheRestOfTheFile() {
        Store(Ini(), "; written by hand\n"
                     "[Window]\nJPG_QUALITY=1\n\n"
                     "[oPTIONS]   \n"
                     "  jpg_quality = 10  \n"
                     "; sizes\n"
                     "Thumb_Width=$20\n"
                     "Unknown=kept\n"
                     "\n"
                     "[Other]\nRQ_HIGH=1\n");
        TSettings settings = Loaded();
        QCOMPARE(settings.JPGQuality, 10);
        QCOMPARE(settings.ThumbWidth, 32);
        settings.JPGQuality = 85;
        SaveSettings(settings, Ini());
        QCOMPARE(Contents(Ini()),
                 QByteArray("; written by hand\n"
                            "[Window]\nJPG_QUALITY=1\n\n"
                            "[oPTIONS]   \n"
                            "  jpg_quality = 85\n"
                            "; sizes\n"
                            "Thumb_Width=32\n"
                            "Unknown=kept\n"
                            "THUMB_HEIGHT=95\nMEDIUM_WIDTH=350\nMEDIUM_HEIGHT=325\n"
                            "LARGE_WIDTH=600\nLARGE_HEIGHT=600\n"
                            "PROCESS_THUMB=1\nPROCESS_MEDIUM=1\n"
                            "PROCESS_LARGE=1\nRQ_HIGH=0\nSTRIP_METADATA=0\nFILES_AT_ONCE=0\n" +
                            OutputChoiceDefaults +
                            "\n"
                            "[Other]\nRQ_HIGH=1\n"));
    }

    void followsTheReadingRules_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<TSettings>("expected");
        const auto quality = [](int Value) { return With(&TSettings::JPGQuality, Value); };
        QTest::newRow("0x") << QByteArray("JPG_QUALITY=0x50") << quality(80);
        QTest::newRow("0X") << QByteArray("JPG_QUALITY=0X5a") << quality(90);
        QTest::newRow("$") << QByteArray("JPG_QUALITY=$1F") << quality(31);
        QTest::newRow("signed hex") << QByteArray("JPG_QUALITY=-$10") << quality(-16);
        QTest::newRow("leading blanks") << QByteArray("JPG_QUALITY=\"  -12\"") << quality(-12);
        QTest::newRow("plus") << QByteArray("JPG_QUALITY=+7") << quality(7);
        QTest::newRow("largest") << QByteArray("JPG_QUALITY=2147483647") << quality(2147483647);
        QTest::newRow("smallest") << QByteArray("JPG_QUALITY=-0x80000000")
                                  << quality(-2147483647 - 1);
        QTest::newRow("no range check")
            << QByteArray("THUMB_WIDTH=5000") << With(&TSettings::ThumbWidth, 5000);
        for (const char* junk :
             {"abc", "", "12abc", "1 2", "1.5", "0x", "$", "-", "+", "0xG", "2147483648",
              "$80000000", "99999999999999999999999", "\xD9\xA3", "\"\"  7\""})
            QTest::newRow(qPrintable(QStringLiteral("default for <%1>").arg(junk)))
                << QByteArray("JPG_QUALITY=") + junk << TSettings();
        QTest::newRow("flag 2") << QByteArray("PROCESS_LARGE=2") << TSettings();
        QTest::newRow("flag -1") << QByteArray("PROCESS_LARGE=-1") << TSettings();
        QTest::newRow("flag 0") << QByteArray("PROCESS_LARGE=0")
                                << With(&TSettings::ProcessLarge, false);
        QTest::newRow("flag hex") << QByteArray("RQ_HIGH=0x1") << With(&TSettings::RQHigh, true);
        QTest::newRow("empty flag") << QByteArray("PROCESS_THUMB=") << TSettings();
        QTest::newRow("junk flag") << QByteArray("RQ_HIGH=yes") << TSettings();
        QTest::newRow("medium flag key")
            << QByteArray("PROCESS_MEDIUM=0") << With(&TSettings::ProcessMedium, false);
        QTest::newRow("format") << QByteArray("OUTPUT_FORMAT=4")
                                << With(&TSettings::OutputFormat, std::int32_t{ofSameAsSource});
        QTest::newRow("skip existing")
            << QByteArray("SKIP_EXISTING=1") << With(&TSettings::SkipExisting, true);
        // A folder is text, taken as it stands, however it would read as a number.
        QTest::newRow("output folder")
            << QByteArray("OUTPUT_FOLDER=/srv/Fotos \xC3\xBC/0x10")
            << With(&TSettings::OutputFolder, QStringLiteral("/srv/Fotos \u00FC/0x10"));
    }

    void followsTheReadingRules() {
        QFETCH(QByteArray, line);
        QFETCH(TSettings, expected);
        Store(Ini(), "[Options]\n" + line + "\n");
        QCOMPARE(Loaded(), expected);
    }

    void survivesAJunkFile() {
        QByteArray junk;
        for (int i = 0; i < 70000; ++i)
            junk.append(char(i * 7919 % 256)); // every byte value, line breaks included
        Store(Ini(), junk);
        QCOMPARE(Loaded(), TSettings());
        const TSettings changed = With(&TSettings::LargeWidth, 1234);
        SaveSettings(changed, Ini());
        QCOMPARE(Loaded(), changed);
        QVERIFY(Contents(Ini()).startsWith(junk));
    }

    void reportsAFileItCannotWrite() {
        const QString blocker = Folder.filePath(QStringLiteral("plain"));
        Store(blocker, "a file, not a folder");
        const QString ini = blocker + QStringLiteral("/vellumkite.ini");
        try {
            SaveSettings(TSettings(), ini);
            QFAIL("the save did not fail");
        } catch (const Exception& error) {
            QCOMPARE(QString::fromStdString(error.what()), "Unable to write to " + ini);
        }
    }

    void writesTheFileOnce() {
        SaveSettings(TSettings(), Ini());
        const TSettings changed = With(&TSettings::JPGQuality, 90);
        QCOMPARE(WritesDuring(Folder.path(), [&] { SaveSettings(changed, Ini()); }),
                 std::make_pair(1, 1));
        QCOMPARE(Loaded(), changed);
    }

    // A folder that takes no new files, such as a program folder the user may not add to.
    void savesInPlaceWhereNoNewFileCanBeMade() {
        QTemporaryDir program;
        const QString ini = program.filePath(QStringLiteral("vellumkite.ini"));
        Store(ini, "; mine\n");
        vk_test::FolderWithoutNewFiles refusing(program.path());
        if (!refusing.Done())
            QSKIP("this file system cannot refuse new files in a folder");
        const TSettings changed = With(&TSettings::StripMetadata, true);
        SaveSettings(changed, ini);
        QCOMPARE(Contents(ini),
                 "; mine\n\n" +
                     QByteArray(DefaultFile).replace("STRIP_METADATA=0", "STRIP_METADATA=1"));
        const QString missing = program.filePath(QStringLiteral("other.ini"));
        QCOMPARE(RaisedText<Exception>([&] { SaveSettings(changed, missing); }),
                 "Unable to write to " + missing);
    }

    void aSaveThatDoesNotFitLeavesTheOldFile_data() {
        QTest::addColumn<bool>("inPlace");
        QTest::newRow("new file renamed into place") << false;
        QTest::newRow("rewritten in place") << true;
    }

    void aSaveThatDoesNotFitLeavesTheOldFile() {
        QFETCH(bool, inPlace);
        VK_SMALL_DISK(disk, 256);
        const QString program = disk.Path() + QStringLiteral("/program");
        QVERIFY(QDir().mkdir(program));
        const QString ini = program + QStringLiteral("/vellumkite.ini");
        // Nearly a page, so that the keys still missing need one more.
        const QByteArray old = "[Options]\nJPG_QUALITY=5\n; " + QByteArray(4000, 'x') + "\n";
        Store(ini, old);
        QVERIFY(disk.Fill(0));
        std::optional<vk_test::FolderWithoutNewFiles> refusing;
        if (inPlace && !refusing.emplace(program).Done())
            QSKIP("this file system cannot refuse new files in a folder");

        QCOMPARE(RaisedText<Exception>([&] { SaveSettings(TSettings(), ini); }),
                 "Unable to write to " + ini);
        QCOMPARE(Contents(ini), old);
        QCOMPARE(QDir(program).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"vellumkite.ini"});
    }
};

VK_TEST_MAIN(QCoreApplication, TestSettings)
#include "test_settings.moc"
