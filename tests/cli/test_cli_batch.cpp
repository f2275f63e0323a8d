// vellumkite-batch end to end, as a script would run it.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <filesystem>

#include <sys/stat.h>

#include <unistd.h>

#include "settings/Settings.h"
#include "support/FileTrees.h"
#include "support/TestMain.h"

namespace {

struct TResult {
    int Code = -1;
    QString Out;
    QString Err;
};

TResult Run(const QStringList& Arguments, const QString& Program = QStringLiteral(VK_BATCH_PROGRAM),
            const QProcessEnvironment& Environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(Environment);
    process.start(Program, Arguments);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

int FileCount(const QString& Folder) {
    return static_cast<int>(QDir(Folder).entryList(QDir::Files).size());
}

QString Summary(const QStringList& Lines) {
    return Lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void WriteText(const QString& Path, const QByteArray& Text) {
    QFile file(Path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Text);
}

} // namespace

class TestCliBatch : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> Work;

    QString Path(const QString& Name) const { return Work->filePath(Name); }

    QString MakeImage(const QString& Name, int Width, int Height) {
        QImage image(Width, Height, QImage::Format_RGB32);
        for (int y = 0; y < Height; ++y) {
            for (int x = 0; x < Width; ++x) {
                image.setPixel(x, y, qRgb(x * 255 / Width, y * 255 / Height, (x ^ y) & 0xFF));
            }
        }
        const QString path = Path(Name);
        QDir().mkpath(QFileInfo(path).path());
        if (!image.save(path)) {
            qFatal("cannot write %s", qPrintable(path));
        }
        return path;
    }

    void MakeSources(int Count) {
        for (int i = 0; i < Count; ++i) {
            MakeImage(QStringLiteral("in/p%1.png").arg(i, 2, 10, QLatin1Char('0')), 800, 600);
        }
    }

    // Every output under a final name is a whole JPEG.
    void CheckOutputsComplete() {
        QDirIterator it(Path("out"), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            QFile bytes(file);
            QVERIFY(bytes.open(QIODevice::ReadOnly));
            const QByteArray content = bytes.readAll();
            QVERIFY2(content.startsWith("\xFF\xD8") && content.endsWith("\xFF\xD9"),
                     qPrintable(file));
            QVERIFY2(!QImage::fromData(content, "JPEG").isNull(), qPrintable(file));
        }
    }

private slots:
    void init() { Work.emplace(); }

    void folderOfPhotographs() {
        MakeImage("photos/one.jpg", 800, 600);
        MakeImage("photos/sub/two.png", 300, 400);
        const TResult result = Run({"--output", Path("out"), Path("photos")});
        QCOMPARE(result.Code, 0);
        QCOMPARE(result.Out, Summary({"Processed: 2 files", "Output folder: " + Path("out/")}));
        QCOMPARE(result.Err, QString()); // no bar: standard error is not a terminal here
        QCOMPARE(QImageReader(Path("out/Large/Large_one.jpg")).size(), QSize(600, 450));
        QCOMPARE(QImageReader(Path("out/Medium/Medium_two.jpg")).size(), QSize(244, 325));
        QCOMPARE(QImageReader(Path("out/Thumbnail/Thumb_two.jpg")).size(), QSize(71, 95));
    }

    // Names from old archives are not UTF-8: read and written with their bytes, whether the
    // name is given directly or found in a folder.
    void namesThatAreNotUtf8KeepTheirBytes() {
        MakeImage("old/plain.png", 40, 30);
        const QByteArray folder = QFile::encodeName(Path("old"));
        QCOMPARE(::rename(folder + "/plain.png", folder + "/caf\xe9.png"), 0);
        // Through a shell, so that the name reaches the program as raw bytes.
        const TResult direct = Run({"-c", "exec \"$0\" --output \"$1\" \"$2\"$(printf '\\351').png",
                                    VK_BATCH_PROGRAM, Path("direct"), Path("old/caf")},
                                   QStringLiteral("/bin/sh"));
        QCOMPARE(direct.Err, QString());
        QCOMPARE(direct.Code, 0);
        const TResult scan = Run({"--output", Path("scan"), Path("old")});
        QCOMPARE(scan.Code, 0);
        for (const char* root : {"direct", "scan"}) {
            const QByteArray output =
                QFile::encodeName(Path(QLatin1String(root))) + "/Large/Large_caf\xe9.jpg";
            QVERIFY2(::access(output.constData(), R_OK) == 0, output.constData());
        }
        // Qt cannot name these files to remove them.
        for (const char* made : {"old", "direct", "scan"}) {
            std::filesystem::remove_all(QFile::encodeName(Path(QLatin1String(made))).toStdString());
        }
    }

    // A photograph cut short is made from what it holds, and is an error a script sees: named
    // with the decoder's reason (not the engine's own name for the bytes), with --quiet too.
    void aFileCutShortIsAnError() {
        const QString whole = MakeImage("whole.jpg", 400, 300);
        QFile file(whole);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.resize(file.size() * 2 / 3));
        file.close();
        const QString reported = QStringLiteral("vellumkite-batch: read only in part: %1: "
                                                "Premature end of JPEG file\n")
                                     .arg(whole);
        TResult result = Run({"--output", Path("out"), whole});
        QCOMPARE(result.Code, 1);
        QCOMPARE(result.Err, reported);
        QVERIFY(result.Out.contains(QStringLiteral("\nRead only in part: 1 file\n")));
        QCOMPARE(QImageReader(Path("out/Large/Large_whole.jpg")).size(), QSize(600, 450));
        result = Run({"--quiet", "--output", Path("quiet"), whole});
        QCOMPARE(result.Code, 1);
        QCOMPARE(result.Out, QString());
        QCOMPARE(result.Err, reported);
    }

    // With -v every output names its source, so that a numbered one can be told apart; a name
    // that holds escape sequences reaches the terminal escaped, not obeyed.
    void whatTheTerminalIsGiven() {
        const QString first = MakeImage("a/x.png", 40, 30);
        const QString second = MakeImage("b/x.png", 30, 40);
        const QString hostile = Path("x\x1b]0;PWNED\x07\x1b[2J.jpg");
        WriteText(hostile, "not a picture");
        const TResult result = Run(
            {"-v", "--medium", "off", "--thumb", "off", "-o", Path("out"), first, second, hostile});
        QCOMPARE(result.Code, 1);
        const QStringList lines = result.Out.split(QLatin1Char('\n'));
        QCOMPARE(lines.filter(QStringLiteral(" from ") + second),
                 QStringList{QStringLiteral("wrote %1 (450x600, %2) from %3")
                                 .arg(Path("out/Large/Large_x (2).jpg"),
                                      QLocale::c().formattedDataSize(
                                          QFileInfo(Path("out/Large/Large_x (2).jpg")).size(), 1),
                                      second)});
        QVERIFY2(result.Err.startsWith(QStringLiteral("vellumkite-batch: not supported: ") +
                                       Path("x\\x1b]0;PWNED\\x07\\x1b[2J.jpg: ")),
                 qPrintable(result.Err));
        QVERIFY(!result.Err.contains(QChar(0x1b)) && !result.Err.contains(QChar(0x07)));
    }

    // Location and camera stay in the outputs unless removal is asked for.
    void stripMetadataRemovesTheLocation() {
        if (QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty()) {
            QSKIP("exiftool is not installed");
        }
        const QString photo = MakeImage("gps.jpg", 400, 300);
        QCOMPARE(QProcess::execute(QStringLiteral("exiftool"),
                                   {"-q", "-overwrite_original", "-GPSLatitude=48.8584",
                                    "-GPSLatitudeRef=N", "-Model=Test Camera", photo}),
                 0);
        const auto tags = [](const QString& Jpeg) {
            QProcess exiftool;
            exiftool.start(QStringLiteral("exiftool"),
                           {"-s", "-s", "-s", "-GPSLatitude", "-Model", Jpeg});
            exiftool.waitForFinished();
            return QString::fromUtf8(exiftool.readAllStandardOutput()).trimmed();
        };
        QCOMPARE(Run({"--output", Path("kept"), photo}).Code, 0);
        QVERIFY(tags(Path("kept/Thumbnail/Thumb_gps.jpg")).contains(QLatin1String("Test Camera")));
        QCOMPARE(Run({"--strip-metadata", "--output", Path("stripped"), photo}).Code, 0);
        for (const char* output :
             {"stripped/Large/Large_gps.jpg", "stripped/Thumbnail/Thumb_gps.jpg"}) {
            QCOMPARE(tags(Path(QLatin1String(output))), QString());
        }
    }

    void desktopByDefault() {
        MakeImage("a.png", 40, 30);
        QCOMPARE(Run({"--thumb", "off", "--medium", "off", Path("a.png")}).Code, 0);
        const QString desktop = QDir::homePath() + QStringLiteral("/Desktop/Resized Images/");
        QVERIFY(QFileInfo::exists(desktop + QStringLiteral("Large/Large_a.jpg")));
        QVERIFY(!QFileInfo::exists(desktop + QStringLiteral("Thumbnail")));
    }

    // A source whose name leaves no room for a size's prefix still gets its outputs, their names
    // shortened to the file system's 255 bytes, and -v says so.
    void aNameTooLongForItsOutputsIsShortened() {
        const QString name = QString(250, QLatin1Char('n'));
        const QString source = MakeImage(name + QStringLiteral(".png"), 40, 30);
        const TResult result = Run({"-v", "--medium", "off", "-o", Path("out"), source});
        QCOMPARE(result.Err, QString());
        QCOMPARE(result.Code, 0);
        const QString cut = name.left(245) + QStringLiteral(".jpg");
        const QString large = Path("out/Large/Large_") + cut;
        const QString thumb = Path("out/Thumbnail/Thumb_") + cut;
        QCOMPARE(QImageReader(large).size(), QSize(600, 450));
        QVERIFY(QFileInfo::exists(thumb));
        for (const QString& output : {large, thumb}) {
            const QString said = QStringLiteral("\nshortened: %1 (a file name has at most 255 "
                                                "bytes)\n")
                                     .arg(output);
            QVERIFY2(result.Out.contains(said), qPrintable(result.Out));
        }
    }

    // A file named directly is tried, whatever it holds; an output that cannot be written is
    // reported with the reason, and the file's other sizes are still written.
    void notSupportedAndNotWritten() {
        MakeImage("good.png", 40, 30);
        WriteText(Path("notes.jpg"), "not a picture");
        QDir().mkpath(Path("out/Thumbnail/Thumb_good.jpg"));
        const TResult result = Run({"--output", Path("out"), Path("good.png"), Path("notes.jpg")});
        QCOMPARE(result.Code, 1);
        QCOMPARE(result.Out, Summary({"Processed: 0 files", "Not supported: 1 file",
                                      "Not written: 1 file", "Output folder: " + Path("out/")}));
        QVERIFY(result.Err.contains(QStringLiteral("not supported: ") + Path("notes.jpg")));
        QVERIFY(result.Err.contains(QStringLiteral("not written: ") +
                                    Path("out/Thumbnail/Thumb_good.jpg")));
        QVERIFY(QFileInfo::exists(Path("out/Large/Large_good.jpg")));
    }

    // An output folder that cannot be made stops the run before any picture is decoded, with
    // one message.
    void outputFolderThatCannotBeMade_data() {
        QTest::addColumn<QString>("blocker");
        QTest::addColumn<QString>("root");
        QTest::newRow("a file above the root") << "file"
                                               << "file/out";
        QTest::newRow("a file at a size folder") << "out/Medium"
                                                 << "out";
    }
    void outputFolderThatCannotBeMade() {
        QFETCH(QString, blocker);
        QFETCH(QString, root);
        MakeImage("in/a.png", 40, 30);
        QDir().mkpath(QFileInfo(Path(blocker)).path());
        WriteText(Path(blocker), "in the way");
        const TResult result = Run({"-o", Path(root), Path("in")});
        QCOMPARE(result.Code, 1);
        QCOMPARE(result.Out, QString());
        QCOMPARE(result.Err.count(QLatin1Char('\n')), 1);
        QVERIFY2(result.Err.startsWith(QStringLiteral("vellumkite-batch: cannot make the output "
                                                      "folder ")),
                 qPrintable(result.Err));
        QVERIFY(result.Err.contains(QLatin1String("Not a directory")) ||
                result.Err.contains(QLatin1String("File exists")));
        QVERIFY(!QFileInfo::exists(Path("out/Large/Large_a.jpg")));
    }

    // Paths that cannot be used are reported and counted; the others are processed.
    void badPathsDoNotSinkTheRun() {
        MakeImage("a.png", 40, 30);
        MakeImage("folder/b.png", 40, 30);
        QCOMPARE(::mkfifo(QFile::encodeName(Path("pipe.jpg")).constData(), 0600), 0);
        const TResult result = Run({"-o", Path("out"), Path("missing.jpg"), Path("a.png"),
                                    Path("pipe.jpg"), Path("folder")});
        QCOMPARE(result.Code, 1);
        QCOMPARE(result.Err, QStringLiteral("vellumkite-batch: cannot read %1: No such file or "
                                            "directory\nvellumkite-batch: %2 is neither a file "
                                            "nor a folder\n")
                                 .arg(Path("missing.jpg"), Path("pipe.jpg")));
        QCOMPARE(result.Out, Summary({"Processed: 2 files", "Could not be used: 2 paths",
                                      "Output folder: " + Path("out/")}));
        QVERIFY(QFileInfo::exists(Path("out/Large/Large_b.jpg")));
    }

    // Text, sidecars and the file manager's files in a folder are skipped, not failures.
    void foldersSkipWhatIsNotAPicture() {
        MakeImage("trip/a.jpg", 40, 30);
        WriteText(Path("trip/a.jpg.xmp"), "<?xpacket begin=''?><x:xmpmeta/>");
        WriteText(Path("trip/notes.jpg"), "Day 1: the beach");
        WriteText(Path("trip/.DS_Store"), QByteArray("\0\0\0\1Bud1\0\0", 10));
        const TResult result = Run({"-o", Path("out"), Path("trip")});
        QCOMPARE(result.Err, QString());
        QCOMPARE(result.Code, 0);
        QCOMPARE(result.Out, Summary({"Processed: 1 file", "Skipped, not pictures: 3 files",
                                      "Output folder: " + Path("out/")}));
    }

    // Nothing to do is said in the command line's words, and nothing is made.
    void noPictureFound() {
        QDir().mkpath(Path("empty"));
        TResult result = Run({"-o", Path("out"), Path("empty")});
        QCOMPARE(result.Code, 0);
        QCOMPARE(result.Out, Summary({"No picture found"}));
        QDir().mkpath(Path("texts"));
        WriteText(Path("texts/readme.txt"), "hello");
        result = Run({"-o", Path("out"), Path("texts")});
        QCOMPARE(result.Code, 0);
        QCOMPARE(result.Out, Summary({"No picture found", "Skipped, not pictures: 1 file"}));
        QVERIFY(!QFileInfo::exists(Path("out")));
    }

    // A second run of the same command reads none of the first run's outputs, wherever they are.
    void runningTwiceGivesTheSameFiles_data() {
        QTest::addColumn<QString>("photos");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("on the desktop") << "~/Desktop" << QStringList{"~/Desktop"};
        QTest::newRow("inside the folder") << "photos" << QStringList{"-o", "photos/out", "photos"};
        QTest::newRow("the folder itself")
            << "photos" << QStringList{"photos", "--output", "photos"};
        QTest::newRow("by another name") << "photos" << QStringList{"-o", "link/out", "photos"};
    }
    void runningTwiceGivesTheSameFiles() {
        QFETCH(QString, photos);
        QFETCH(QStringList, arguments);
        const auto place = [this](const QString& Text) {
            return Text.startsWith(QLatin1Char('~')) ? QDir::homePath() + Text.mid(1) : Path(Text);
        };
        for (QString& argument : arguments) {
            argument = argument.startsWith(QLatin1Char('-')) ? argument : place(argument);
        }
        photos = place(photos);
        QDir(photos).removeRecursively();
        QDir().mkpath(photos);
        QVERIFY(QImage(40, 30, QImage::Format_RGB32).save(photos + QStringLiteral("/a.jpg")));
        QVERIFY(QFile::link(Path("photos"), Path("link")));

        QCOMPARE(Run(arguments).Code, 0);
        const QStringList first = vk_test::FilesBelow(photos);
        QCOMPARE(first.filter(QStringLiteral("Large_a.jpg")).size(), 1);
        const TResult again = Run(arguments);
        QCOMPARE(again.Code, 0);
        QVERIFY2(again.Out.startsWith(QStringLiteral("Processed: 1 file\n")),
                 qPrintable(again.Out));
        QCOMPARE(vk_test::FilesBelow(photos), first);
        QDir(photos).removeRecursively();
    }

    void badUsageTouchesNothing_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("quality") << QStringList{"--quality", "200"};
        QTest::newRow("box") << QStringList{"--large", "0x5"};
        QTest::newRow("unknown option") << QStringList{"--huge", "5x5"};
        QTest::newRow("value after a switch") << QStringList{"--quiet=yes"};
        QTest::newRow("every size off")
            << QStringList{"--large", "off", "--medium", "off", "--thumb", "off"};
    }
    void badUsageTouchesNothing() {
        QFETCH(QStringList, arguments);
        MakeImage("a.png", 40, 30);
        const TResult result = Run(QStringList{"--output", Path("out"), Path("a.png")} + arguments);
        QCOMPARE(result.Code, 2);
        QVERIFY(result.Err.contains(QStringLiteral("--help")));
        QCOMPARE(result.Out, QString());
        QVERIFY(!QFileInfo::exists(Path("out")));
        QCOMPARE(Run({}).Code, 2);
    }

    void helpAndVersion() {
        for (const char* help : {"--help", "-h"}) {
            const TResult result = Run({help});
            QCOMPARE(result.Code, 0);
            QVERIFY(
                result.Out.startsWith(QStringLiteral("Usage: vellumkite-batch [options] PATH...")));
        }
        for (const char* version : {"--version", "-V"}) {
            const TResult result = Run({version});
            QCOMPARE(result.Code, 0);
            QVERIFY(result.Out.startsWith(QStringLiteral("vellumkite-batch ")));
        }
    }

    // The short options, options after the paths, one line per output with -v, errors only with
    // --quiet.
    void shortOptionsVerboseAndQuiet() {
        const QString photo = MakeImage("a.png", 400, 300);
        TResult result = Run({photo, "-o", Path("out"), "-q", "40", "--large", "200", "--medium",
                              "off", "--thumb=50x50", "-v"});
        QCOMPARE(result.Code, 0);
        const QStringList lines = result.Out.split(QLatin1Char('\n'));
        QVERIFY2(lines.size() == 5, qPrintable(result.Out));
        const qint64 large = QFileInfo(Path("out/Large/Large_a.jpg")).size();
        QCOMPARE(lines[0], QStringLiteral("wrote %1 (200x150, %2) from %3")
                               .arg(Path("out/Large/Large_a.jpg"),
                                    QLocale::c().formattedDataSize(large, 1), photo));
        QVERIFY(lines[1].startsWith(
            QStringLiteral("wrote %1 (50x").arg(Path("out/Thumbnail/Thumb_a.jpg"))));
        QCOMPARE(lines[2], QStringLiteral("Processed: 1 file"));
        QVERIFY(!QFileInfo::exists(Path("out/Medium")));

        WriteText(Path("bad.jpg"), "not a picture");
        result = Run({"--quiet", "-o", Path("quiet"), photo, Path("bad.jpg")});
        QCOMPARE(result.Code, 1);
        QCOMPARE(result.Out, QString());
        // The engine's reason, in its words, after the file's name.
        QCOMPARE(result.Err, QStringLiteral("vellumkite-batch: not supported: %1: "
                                            "insufficient image data in file\n")
                                 .arg(Path("bad.jpg")));
        QVERIFY(QFileInfo::exists(Path("quiet/Large/Large_a.jpg")));
    }

    // However long the list, a run holds a few descriptors per file under way, not per file.
    void aThousandFilesUnderALowDescriptorLimit() {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QDir().mkpath(Path("many"));
        for (int i = 0; i < 1000; ++i) {
            QVERIFY(image.save(Path(QStringLiteral("many/%1.png").arg(i))));
        }
        const TResult result =
            Run({QStringLiteral("-c"),
                 QStringLiteral("ulimit -n 256 && exec \"$0\" -j 2 --thumb 8x8 --large off "
                                "--medium off -o \"$1\" \"$2\""),
                 QStringLiteral(VK_BATCH_PROGRAM), Path("many-out"), Path("many")},
                QStringLiteral("/bin/sh"));
        QCOMPARE(result.Code, 0);
        QCOMPARE(FileCount(Path("many-out/Thumbnail")), 1000);
    }

    // Two files of one name in two camera folders keep their folders, so they never collide and
    // a third folder changes nothing that was there.
    void keepFolders() {
        MakeImage("card/100CANON/IMG_0001.JPG", 60, 40);
        MakeImage("card/101CANON/IMG_0001.JPG", 40, 60);
        TResult result = Run({"--keep-folders", "-o", Path("kept"), Path("card")});
        QCOMPARE(result.Code, 0);
        QCOMPARE(QImageReader(Path("kept/Large/100CANON/Large_IMG_0001.jpg")).size(),
                 QSize(600, 400));
        QCOMPARE(QImageReader(Path("kept/Thumbnail/101CANON/Thumb_IMG_0001.jpg")).size(),
                 QSize(63, 95));
        const QStringList before = vk_test::FilesBelow(Path("kept"));
        QCOMPARE(before.size(), 6);
        MakeImage("card/099CANON/IMG_0001.JPG", 30, 30);
        QCOMPARE(Run({"--keep-folders", "-o", Path("kept"), Path("card")}).Code, 0);
        QStringList after = vk_test::FilesBelow(Path("kept"));
        after.removeIf([](const QString& File) { return File.contains(QLatin1String("099")); });
        QCOMPARE(after, before);
        QCOMPARE(QImageReader(Path("kept/Large/100CANON/Large_IMG_0001.jpg")).size(),
                 QSize(600, 400));

        // A file reached from two folders keeps the subfolder of each.
        QCOMPARE(
            Run({"--keep-folders", "-o", Path("twice"), Path("card"), Path("card/100CANON")}).Code,
            0);
        QVERIFY(QFileInfo::exists(Path("twice/Large/100CANON/Large_IMG_0001.jpg")));
        QVERIFY(QFileInfo::exists(Path("twice/Large/Large_IMG_0001.jpg")));

        // Without the option the later file of the same name gets a number.
        QCOMPARE(Run({"-o", Path("flat"), Path("card")}).Code, 0);
        QCOMPARE(vk_test::FilesBelow(Path("flat/Large")),
                 (QStringList{"Large_IMG_0001 (2).jpg", "Large_IMG_0001 (3).jpg",
                              "Large_IMG_0001.jpg"}));
    }

    void missingEngineNamesItsPackage() {
        MakeImage("a.png", 40, 30);
        QDir().mkpath(Path("lib"));
        WriteText(Path("lib/libMagickCore-6.Q16.so.6"), "not a library");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LD_LIBRARY_PATH"), Path("lib"));
        const TResult result =
            Run({"-o", Path("out"), Path("a.png")}, QStringLiteral(VK_BATCH_PROGRAM), environment);
        QCOMPARE(result.Code, 1);
        QCOMPARE(result.Err,
                 QStringLiteral("vellumkite-batch: cannot load the image engine "
                                "(libMagickCore-6.Q16.so.6); install the Debian package "
                                "libmagickcore-6.q16-6\n"));
    }

    // The engine runs in the workers alone: a run leaves nothing in its temporary folder, even
    // when it is killed outright.
    void noTemporaryFolderOutlivesTheRun() {
        MakeSources(30);
        const QString temporary = Path("tmp");
        QVERIFY(QDir().mkpath(temporary));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), temporary);
        const auto left = [&temporary] {
            return QDir(temporary).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                             QDir::NoDotAndDotDot);
        };
        QCOMPARE(Run({"-o", Path("out"), Path("in/p00.png")}, QStringLiteral(VK_BATCH_PROGRAM),
                     environment)
                     .Code,
                 0);
        QCOMPARE(left(), QStringList());

        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(VK_BATCH_PROGRAM),
                      {"--resize-quality", "high", "-o", Path("killed"), Path("in")});
        QVERIFY(QTest::qWaitFor([this] { return FileCount(Path("killed/Thumbnail")) > 0; }, 60000));
        ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::CrashExit);
        QCOMPARE(left(), QStringList());
    }

    // The settings file beside the program is Vellumkite's own; options go over it.
    void settingsFileBesideTheProgram() {
        QDir().mkpath(Path("bin"));
        const QString program = Path("bin/vellumkite-batch");
        QVERIFY(QFile::copy(QStringLiteral(VK_BATCH_PROGRAM), program));
        QVERIFY(QFile::link(QStringLiteral(VK_WORKER_PROGRAM), Path("bin/vellumkite-worker")));
        TSettings stored;
        stored.LargeWidth = stored.LargeHeight = 300;
        stored.ProcessThumb = false;
        SaveSettings(stored, Path("bin/vellumkite.ini"));
        MakeImage("a.png", 400, 200);
        const TResult result =
            Run({"--output", Path("out"), "--medium", "100x100", Path("a.png")}, program);
        QCOMPARE(result.Code, 0);
        QCOMPARE(QImageReader(Path("out/Large/Large_a.jpg")).size(), QSize(300, 150));
        QCOMPARE(QImageReader(Path("out/Medium/Medium_a.jpg")).size(), QSize(100, 50));
        QVERIFY(!QFileInfo::exists(Path("out/Thumbnail")));
    }

    // Without a file beside the program, the user's own settings, as the window keeps them;
    // --save-defaults stores the options laid over them there.
    void settingsFileOfTheUser() {
        const QString user = QFile::decodeName(qgetenv("XDG_CONFIG_HOME")) +
                             QStringLiteral("/vellumkite/vellumkite.ini");
        TSettings stored;
        stored.LargeWidth = stored.LargeHeight = 200;
        stored.ProcessMedium = stored.ProcessThumb = false;
        SaveSettings(stored, user);
        MakeImage("b.png", 400, 100);
        TResult result = Run({"--output", Path("out"), Path("b.png")});
        QCOMPARE(result.Code, 0);
        QCOMPARE(QImageReader(Path("out/Large/Large_b.jpg")).size(), QSize(200, 50));
        QVERIFY(!QFileInfo::exists(Path("out/Medium")));

        result = Run({"--quality", "85", "--medium", "off", "--thumb", "90x90", "--save-defaults"});
        QCOMPARE(result.Code, 0);
        QCOMPARE(result.Out, QStringLiteral("Defaults saved to %1\n").arg(user));
        QCOMPARE(result.Err, QString());
        result = Run({"--quiet", "--save-defaults"});
        QCOMPARE(result.Code, 0);
        QCOMPARE(result.Out + result.Err, QString());
        TSettings saved;
        LoadSettings(saved, user);
        QFile::remove(user);
        TSettings expected = stored;
        expected.JPGQuality = 85;
        expected.ProcessThumb = true;
        expected.ThumbWidth = expected.ThumbHeight = 90;
        QCOMPARE(saved, expected);
    }

    void saveDefaultsNamesTheFileItCannotWrite() {
        const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
        QFile blocker(Path("not-a-folder"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(blocker.fileName()));
        const TResult result = Run({"--save-defaults"});
        qputenv("XDG_CONFIG_HOME", configHome);
        QCOMPARE(result.Code, 1);
        QCOMPARE(result.Err, "vellumkite-batch: Unable to write to " + blocker.fileName() +
                                 "/vellumkite/vellumkite.ini\n");
    }

    // Ctrl+C or SIGTERM: the files under way are finished, their every size written, and the
    // summary says how many files were left.
    void interruptFinishesTheFilesUnderWay_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("jobs");
        QTest::newRow("Ctrl+C, one job") << SIGINT << QStringLiteral("1");
        QTest::newRow("SIGTERM, one job") << SIGTERM << QStringLiteral("1");
        QTest::newRow("Ctrl+C, three jobs") << SIGINT << QStringLiteral("3");
    }
    void interruptFinishesTheFilesUnderWay() {
        QFETCH(int, signal);
        QFETCH(QString, jobs);
        MakeSources(30);
        QProcess process;
        process.start(QStringLiteral(VK_BATCH_PROGRAM), {"--jobs", jobs, "--resize-quality", "high",
                                                         "--output", Path("out"), Path("in")});
        QVERIFY(QTest::qWaitFor([this] { return FileCount(Path("out/Thumbnail")) > 0; }, 60000));
        ::kill(static_cast<pid_t>(process.processId()), signal);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 128 + signal);
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const int done = FileCount(Path("out/Large"));
        QVERIFY(done < 30);
        // Every file started was finished: all three sizes of each, and counted.
        QCOMPARE(FileCount(Path("out/Thumbnail")), done);
        QCOMPARE(
            out,
            Summary({QStringLiteral("Processed: %1 file%2").arg(done).arg(done == 1 ? "" : "s"),
                     QStringLiteral("Interrupted, left: %1 files").arg(30 - done),
                     "Output folder: " + Path("out/")}));
        QCOMPARE(FileCount(Path("out/Medium")), done);
        CheckOutputsComplete();
    }

    // A run started with Ctrl+C ignored (in the background of a script) is not stopped by it.
    void anIgnoredInterruptStaysIgnored() {
        for (int i = 0; i < 12; ++i) {
            MakeImage(QStringLiteral("in/p%1.png").arg(i, 2, 10, QLatin1Char('0')), 800, 600);
        }
        QProcess process;
        process.start(QStringLiteral("/bin/sh"),
                      {"-c", "trap '' INT; exec \"$0\" --resize-quality high -o \"$1\" \"$2\"",
                       VK_BATCH_PROGRAM, Path("out"), Path("in")});
        QVERIFY(QTest::qWaitFor([this] { return FileCount(Path("out/Thumbnail")) > 0; }, 60000));
        ::kill(static_cast<pid_t>(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(FileCount(Path("out/Thumbnail")), 12);
    }

    // A second Ctrl+C stops at once; whatever stands under an output's name is whole.
    void secondInterruptStopsAtOnce() {
        QImage large(3000, 2000, QImage::Format_RGB32);
        large.fill(qRgb(40, 120, 200));
        QDir().mkpath(Path("in"));
        for (int i = 0; i < 8; ++i) {
            QVERIFY(large.save(Path(QStringLiteral("in/p%1.png").arg(i))));
        }
        QProcess process;
        process.start(QStringLiteral(VK_BATCH_PROGRAM),
                      {"--resize-quality", "high", "--output", Path("out"), Path("in")});
        QVERIFY(QTest::qWaitFor([this] { return FileCount(Path("out/Large")) > 0; }, 60000));
        const auto pid = static_cast<pid_t>(process.processId());
        ::kill(pid, SIGINT);
        QByteArray errors;
        QVERIFY(QTest::qWaitFor(
            [&] {
                errors += process.readAllStandardError();
                return errors.contains("stopping after the file under way");
            },
            60000));
        ::kill(pid, SIGINT);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::CrashExit);
        QCOMPARE(process.readAllStandardOutput(), QByteArray()); // no summary
        for (const QString& output : vk_test::FilesBelow(Path("out"))) {
            if (QFileInfo(output).fileName().startsWith(QLatin1Char('.'))) {
                continue; // a file still being written, under a temporary name
            }
            QImageReader reader(Path("out/") + output);
            QVERIFY2(!reader.read().isNull(), qPrintable(output));
            QFile file(Path("out/") + output);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY2(file.readAll().endsWith("\xFF\xD9"), qPrintable(output));
        }
    }

    // The second Ctrl+C does not wait for the files under way; what it leaves under a final
    // name is whole.
    void aSecondInterruptStopsTwoJobsAtOnce() {
        MakeSources(30);
        QProcess process;
        process.start(QStringLiteral(VK_BATCH_PROGRAM), {"--jobs", "2", "--resize-quality", "high",
                                                         "--output", Path("out"), Path("in")});
        QVERIFY(QTest::qWaitFor([this] { return FileCount(Path("out/Thumbnail")) > 0; }, 60000));
        // Again and again, so that a second one arrives after the first was taken (two at once
        // would be delivered as one).
        const auto pid = static_cast<pid_t>(process.processId());
        while (process.state() != QProcess::NotRunning) {
            ::kill(pid, SIGINT);
            process.waitForFinished(50);
        }
        QCOMPARE(process.exitStatus(), QProcess::CrashExit);     // ended by the signal
        QCOMPARE(process.readAllStandardOutput(), QByteArray()); // no summary
        QVERIFY(FileCount(Path("out/Large")) < 30);
        CheckOutputsComplete();
    }

    // What the user sees does not depend on how many files are worked on at once.
    void severalJobsPrintWhatOneJobPrints() {
        // Out of size order; three sources of one name; a file that is not a picture.
        const QStringList sources = {MakeImage("in/a/x.png", 50, 40),
                                     MakeImage("in/b/x.png", 900, 600),
                                     MakeImage("in/c/x.bmp", 300, 300),
                                     MakeImage("in/d.png", 700, 90), MakeImage("in/e.png", 20, 20)};
        QFile text(Path("in/c/broken.jpg")); // looks like a JPEG, but is none
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("\xFF\xD8\xFF not a picture") > 0);
        text.close();
        TResult results[2];
        QStringList trees[2];
        const char* jobs[2] = {"1", "3"};
        for (int i = 0; i < 2; ++i) {
            const QString out = Path(QStringLiteral("out%1").arg(i));
            results[i] = Run({"-j", jobs[i], "--output", out, Path("in")});
            trees[i] = vk_test::TreeDigest(out);
        }
        QCOMPARE(results[0].Code, 1);
        QCOMPARE(results[1].Code, results[0].Code);
        // The summary names each run's own output folder.
        QCOMPARE(results[1].Out, results[0].Out.replace(Path("out0"), Path("out1")));
        QCOMPARE(results[1].Err, results[0].Err.replace(Path("out0"), Path("out1")));
        QCOMPARE(trees[1], trees[0]);
        QCOMPARE(trees[0].size(), 15);
        QVERIFY(QFileInfo::exists(Path("out1/Large/Large_x (3).jpg")));
    }
};

VK_TEST_MAIN(QCoreApplication, TestCliBatch)
#include "test_cli_batch.moc"
