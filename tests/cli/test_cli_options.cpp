// The command line's options and the files its paths stand for.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include "cli/CliOptions.h"
#include "cli/PathScan.h"
#include "settings/Settings.h"
#include "support/TestMain.h"

namespace {

void Touch(const QString& Path) {
    QDir().mkpath(QFileInfo(Path).path());
    QFile file(Path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class TestCliOptions : public QObject {
    Q_OBJECT

private slots:
    void refusals_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error");
        QTest::newRow("quality too high") << QStringList{"--quality", "200", "a"} << "--quality";
        QTest::newRow("quality negative") << QStringList{"--quality=-1", "a"} << "--quality";
        QTest::newRow("quality not a number") << QStringList{"--quality", "7x", "a"} << "--quality";
        QTest::newRow("box side 0") << QStringList{"--large", "0x5", "a"} << "--large";
        QTest::newRow("box side too big") << QStringList{"--thumb", "2001x5", "a"} << "--thumb";
        QTest::newRow("box without x") << QStringList{"--medium", "300", "a"} << "--medium";
        QTest::newRow("box with sign") << QStringList{"--medium", "+3x4", "a"} << "--medium";
        QTest::newRow("unknown size") << QStringList{"--huge", "10x10", "a"} << "--huge";
        QTest::newRow("resize quality")
            << QStringList{"--resize-quality", "best", "a"} << "--resize-quality";
        QTest::newRow("value missing") << QStringList{"a", "--output"} << "needs a value";
        QTest::newRow("no path") << QStringList{"--quality", "50"} << "no file or folder";
        QTest::newRow("no jobs") << QStringList{"-j", "0", "a"} << "--jobs";
        QTest::newRow("too many jobs") << QStringList{"--jobs=65", "a"} << "--jobs";
    }
    void refusals() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        const TCliParse parse = ParseCommandLine(arguments);
        QVERIFY2(parse.Error.contains(error), qPrintable(parse.Error));
    }

    void outputThatIsAFileIsRefused() {
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("plain"));
        Touch(file);
        QVERIFY(ParseCommandLine({"--output", file, "a"})
                    .Error.contains(QLatin1String("not a folder")));
        QVERIFY(ParseCommandLine({"--output", folder.filePath("new/deep"), "a"}).Error.isEmpty());
    }

    void optionsOverTheSettingsFile() {
        const TCliParse parse =
            ParseCommandLine({"--quality=40", "--resize-quality", "high", "--strip-metadata",
                              "--large", "800X600", "--medium", "off", "--thumb", "10x10",
                              "--thumb", "120x90", "--", "--not-an-option", "photo.jpg"});
        QVERIFY2(parse.Error.isEmpty(), qPrintable(parse.Error));
        QCOMPARE(parse.Options.Paths, (QStringList{"--not-an-option", "photo.jpg"}));
        TSettings fromFile;
        fromFile.MediumWidth = 111;
        ApplyOptions(parse.Options, fromFile);
        TSettings expected;
        expected.JPGQuality = 40;
        expected.RQHigh = true;
        expected.StripMetadata = true;
        expected.LargeWidth = 800;
        expected.LargeHeight = 600;
        expected.ProcessMedium = false;
        expected.MediumWidth = 111; // switched off, its box left as the file had it
        expected.ThumbWidth = 120;  // the last one given counts
        expected.ThumbHeight = 90;
        QVERIFY(fromFile == expected);
        QVERIFY(!parse.Options.Jobs); // as many as the processors
        QCOMPARE(ParseCommandLine({"-j", "3", "a"}).Options.Jobs, 3);
        QCOMPARE(ParseCommandLine({"--jobs=64", "a"}).Options.Jobs, 64);
    }

    void nothingGivenChangesNothing() {
        TSettings settings;
        settings.ProcessThumb = false;
        ApplyOptions(ParseCommandLine({"a"}).Options, settings);
        TSettings expected;
        expected.ProcessThumb = false;
        QVERIFY(settings == expected);
    }

    void foldersAreScannedDepthFirstByName() {
        QTemporaryDir folder;
        const QString root = folder.path();
        for (const char* name : {"b.png", "a/z.jpg", "a/deep/x.gif", "c", ".hidden.png"}) {
            Touch(root + QLatin1Char('/') + QLatin1String(name));
        }
        const QString single = root + QStringLiteral("/a/z.jpg");
        const TPathScan scan = CollectPaths({single, root});
        QVERIFY(scan.Error.isEmpty());
        QCOMPARE(scan.Files, (QStringList{single, root + "/.hidden.png", root + "/a/deep/x.gif",
                                          root + "/a/z.jpg", root + "/b.png", root + "/c"}));
    }

    void linkCyclesAndSpecialFiles() {
        QTemporaryDir folder;
        const QString root = folder.path();
        Touch(root + QStringLiteral("/sub/pic.png"));
        QVERIFY(QFile::link(root, root + QStringLiteral("/sub/loop")));
        QVERIFY(QFile::link(root + QStringLiteral("/sub/pic.png"),
                            root + QStringLiteral("/alias.png")));
        QVERIFY(
            QFile::link(root + QStringLiteral("/gone"), root + QStringLiteral("/dangling.png")));
        QCOMPARE(mkfifo(QFile::encodeName(root + QStringLiteral("/pipe.jpg")).constData(), 0600),
                 0);
        const TPathScan scan = CollectPaths({root});
        QCOMPARE(scan.Files, (QStringList{root + "/alias.png", root + "/sub/pic.png"}));

        QVERIFY(CollectPaths({root + QStringLiteral("/pipe.jpg")}).Error.contains("neither"));
        QVERIFY(CollectPaths({root + QStringLiteral("/gone")}).Error.contains("does not exist"));
    }
};

VK_TEST_MAIN(TestCliOptions)
#include "test_cli_options.moc"
