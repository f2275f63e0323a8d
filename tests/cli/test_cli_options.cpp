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

// A file holding Bytes, its folders made as needed.
void Write(const QString& Path, const QByteArray& Bytes) {
    QDir().mkpath(QFileInfo(Path).path());
    QFile file(Path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Bytes);
}

// A file that begins as a PNG does; the scan looks no further.
void Touch(const QString& Path) {
    Write(Path, QByteArray("\x89PNG\r\n\x1A\n"));
}

QStringList PathsOf(const TPathScan& Scan) {
    QStringList paths;
    for (const TScannedFile& file : Scan.Files) {
        paths << file.Path;
    }
    return paths;
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
        QTest::newRow("box with one side") << QStringList{"--medium", "300x", "a"} << "--medium";
        QTest::newRow("box with sign") << QStringList{"--medium", "+3x4", "a"} << "--medium";
        QTest::newRow("unknown size") << QStringList{"--huge", "10x10", "a"} << "--huge";
        QTest::newRow("resize quality")
            << QStringList{"--resize-quality", "best", "a"} << "--resize-quality";
        QTest::newRow("value missing") << QStringList{"a", "--output"} << "needs a value";
        QTest::newRow("short value missing") << QStringList{"a", "-q"} << "-q needs a value";
        QTest::newRow("switch with a value") << QStringList{"--verbose=yes", "a"} << "no value";
        QTest::newRow("unknown short") << QStringList{"-x", "a"} << "'-x'";
        QTest::newRow("unknown among shorts") << QStringList{"-vx", "a"} << "'-x'";
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

    // The short forms, glued or apart, and options after the paths, as the common tools take
    // them.
    void shortOptionsAndOptionsAfterPaths() {
        TCliParse parse = ParseCommandLine(
            {"one.jpg", "-o", "out", "-q50", "two", "--large", "600", "-v", "--keep-folders"});
        QVERIFY2(parse.Error.isEmpty(), qPrintable(parse.Error));
        QCOMPARE(parse.Options.Paths, (QStringList{"one.jpg", "two"}));
        QCOMPARE(parse.Options.OutputRoot, QStringLiteral("out"));
        QCOMPARE(parse.Options.Quality.value_or(-1), 50);
        QVERIFY(parse.Options.Large && parse.Options.Large->Box == (TDimensions{600, 600}));
        QVERIFY(parse.Options.KeepFolders);
        QVERIFY(parse.Options.Verbosity == TVerbosity::Verbose);

        parse = ParseCommandLine({"-vq", "7", "a", "--quiet"}); // the last of -v and --quiet
        QVERIFY2(parse.Error.isEmpty(), qPrintable(parse.Error));
        QCOMPARE(parse.Options.Quality.value_or(-1), 7);
        QVERIFY(parse.Options.Verbosity == TVerbosity::Quiet);

        parse = ParseCommandLine({"-Vh"});
        QVERIFY(parse.Error.isEmpty() && parse.Options.Version && parse.Options.Help);
    }

    // Storing the defaults needs no path; a path given is still checked and processed.
    void saveDefaultsStandsAlone() {
        TCliParse parse = ParseCommandLine({"--thumb", "off", "--save-defaults"});
        QVERIFY2(parse.Error.isEmpty(), qPrintable(parse.Error));
        QVERIFY(parse.Options.SaveDefaults);
        QVERIFY(parse.Options.Paths.isEmpty());
        parse = ParseCommandLine({"--save-defaults", "a"});
        QCOMPARE(parse.Options.Paths, QStringList{"a"});
        QVERIFY(!ParseCommandLine({"a"}).Options.SaveDefaults);
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
        QVERIFY(scan.Problems.isEmpty());
        QCOMPARE(PathsOf(scan), (QStringList{single, root + "/.hidden.png", root + "/a/deep/x.gif",
                                             root + "/a/z.jpg", root + "/b.png", root + "/c"}));
    }

    // In a folder only pictures count, whatever their names; a file named directly is always
    // tried.
    void foldersTakePicturesByTheirBytes() {
        QTemporaryDir folder;
        const QString root = folder.path();
        Touch(root + QStringLiteral("/photo.txt"));
        Write(root + QStringLiteral("/notes.jpg"), "not a picture");
        Write(root + QStringLiteral("/.DS_Store"), QByteArray("\0\0\0\1Bud1", 8));
        Write(root + QStringLiteral("/empty.png"), {});
        const TPathScan scan = CollectPaths({root, root + QStringLiteral("/notes.jpg")});
        QCOMPARE(PathsOf(scan), (QStringList{root + "/photo.txt", root + "/notes.jpg"}));
        QCOMPARE(scan.Skipped, 3);
    }

    // The run's outputs are left out however they are spelled; the scanned folder itself never
    // is.
    void outputFoldersAreLeftOut() {
        QTemporaryDir folder;
        const QString root = folder.path();
        Touch(root + QStringLiteral("/a.png"));
        Touch(root + QStringLiteral("/out/Large/Large_a.png"));
        Touch(root + QStringLiteral("/Large/Large_b.png"));
        QVERIFY(QFile::link(root + QStringLiteral("/out"), root + QStringLiteral("/alias")));
        const QStringList outputs{root + "/alias/", root + "/Large/"};
        QCOMPARE(PathsOf(CollectPaths({root}, {false, outputs})), (QStringList{root + "/a.png"}));
        QCOMPARE(PathsOf(CollectPaths({root + "/Large"}, {false, outputs})),
                 (QStringList{root + "/Large/Large_b.png"}));
    }

    void keptFoldersAreRelativeToTheScannedFolder() {
        QTemporaryDir folder;
        const QString root = folder.path();
        Touch(root + QStringLiteral("/cam/100/IMG_1.JPG"));
        Touch(root + QStringLiteral("/cam/top.JPG"));
        const TPathScan scan = CollectPaths(
            {root + QStringLiteral("/cam/"), root + QStringLiteral("/cam/top.JPG")}, {true, {}});
        QCOMPARE(scan.Files.size(), std::size_t{3});
        QCOMPARE(scan.Files[0].Subfolder, QStringLiteral("100/"));
        QCOMPARE(scan.Files[1].Subfolder, QString());
        QCOMPARE(scan.Files[2].Subfolder, QString()); // named directly
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
        QCOMPARE(PathsOf(scan), (QStringList{root + "/alias.png", root + "/sub/pic.png"}));

        // A bad path is a problem of its own; the paths after it are still gathered.
        const TPathScan named = CollectPaths({root + QStringLiteral("/pipe.jpg"),
                                              root + QStringLiteral("/gone"), root + "/alias.png"});
        QCOMPARE(named.Problems.size(), 2);
        QVERIFY(named.Problems[0].contains(QLatin1String("neither a file nor a folder")));
        QVERIFY(named.Problems[1].contains(QLatin1String("No such file or directory")));
        QCOMPARE(PathsOf(named), (QStringList{root + "/alias.png"}));
    }
};

VK_TEST_MAIN(QCoreApplication, TestCliOptions)
#include "test_cli_options.moc"
