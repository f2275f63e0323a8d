// vellumkite-batch end to end, as a script would run it.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <filesystem>

#include <unistd.h>

#include "settings/Settings.h"
#include "support/TestMain.h"

namespace {

struct TResult {
    int Code = -1;
    QString Out;
    QString Err;
};

TResult Run(const QStringList& Arguments,
            const QString& Program = QStringLiteral(VK_BATCH_PROGRAM)) {
    QProcess process;
    process.start(Program, Arguments);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

int FileCount(const QString& Folder) {
    return static_cast<int>(QDir(Folder).entryList(QDir::Files).size());
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
        QCOMPARE(result.Out, QStringLiteral("Files Processed: 2\nNon Supported files: 0\n"));
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

    // A photograph cut short is made from what it holds, with a warning and a count.
    void aFileCutShortIsWarnedAbout() {
        const QString whole = MakeImage("whole.jpg", 400, 300);
        QFile file(whole);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.resize(file.size() * 2 / 3));
        file.close();
        const TResult result = Run({"--output", Path("out"), whole});
        QCOMPARE(result.Code, 0);
        QVERIFY2(result.Err.startsWith(QStringLiteral("vellumkite-batch: warning: read only in "
                                                      "part: ") +
                                       whole + QStringLiteral(": ")),
                 qPrintable(result.Err));
        QVERIFY(result.Out.endsWith(QStringLiteral("Read only in part: 1\n")));
        QCOMPARE(QImageReader(Path("out/Large/Large_whole.jpg")).size(), QSize(600, 450));
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

    void unreadableAndUnwritable() {
        MakeImage("good.png", 40, 30);
        QFile text(Path("notes.jpg"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a picture");
        text.close();
        QDir().mkpath(Path("out"));
        QFile blocker(Path("out/Thumbnail"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const TResult result = Run({"--output", Path("out"), Path("good.png"), Path("notes.jpg")});
        QCOMPARE(result.Code, 1);
        QCOMPARE(result.Out,
                 QStringLiteral("Files Processed: 0\nNon Supported files: 1\nNot written: 1\n"));
        QVERIFY(result.Err.contains(QStringLiteral("not supported: ") + Path("notes.jpg")));
        QVERIFY(result.Err.contains(QStringLiteral("not written: ") + Path("out/Thumbnail/")));
        QVERIFY(QFileInfo::exists(Path("out/Large/Large_good.jpg")));
    }

    void badUsageTouchesNothing_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("quality") << QStringList{"--quality", "200"};
        QTest::newRow("box") << QStringList{"--large", "0x5"};
        QTest::newRow("unknown option") << QStringList{"--huge", "5x5"};
        QTest::newRow("missing path") << QStringList{"no-such-file.png"};
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
        TResult result = Run({"--help"});
        QCOMPARE(result.Code, 0);
        QVERIFY(result.Out.startsWith(QStringLiteral("Usage: vellumkite-batch [options] PATH...")));
        result = Run({"--version"});
        QCOMPARE(result.Code, 0);
        QVERIFY(result.Out.startsWith(QStringLiteral("vellumkite-batch ")));
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

    void interruptFinishesTheFilesUnderWay_data() {
        QTest::addColumn<QString>("jobs");
        QTest::newRow("one job") << QStringLiteral("1");
        QTest::newRow("three jobs") << QStringLiteral("3");
    }
    void interruptFinishesTheFilesUnderWay() {
        QFETCH(QString, jobs);
        MakeSources(30);
        QProcess process;
        process.start(QStringLiteral(VK_BATCH_PROGRAM), {"--jobs", jobs, "--resize-quality", "high",
                                                         "--output", Path("out"), Path("in")});
        QVERIFY(QTest::qWaitFor([this] { return FileCount(Path("out/Thumbnail")) > 0; }, 60000));
        ::kill(static_cast<pid_t>(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 130);
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const int done = FileCount(Path("out/Large"));
        QVERIFY(done < 30);
        // Every file started was finished: all three sizes of each, and counted.
        QCOMPARE(FileCount(Path("out/Thumbnail")), done);
        QCOMPARE(FileCount(Path("out/Medium")), done);
        QCOMPARE(out, QStringLiteral("Files Processed: %1\nNon Supported files: 0\n").arg(done));
        CheckOutputsComplete();
    }

    // The second Ctrl+C does not wait for the files under way; what it leaves under a final
    // name is whole.
    void aSecondInterruptStopsAtOnce() {
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
        QCOMPARE(process.exitStatus(), QProcess::CrashExit); // ended by the signal
        QCOMPARE(process.readAllStandardOutput(), QByteArray()); // no summary
        QVERIFY(FileCount(Path("out/Large")) < 30);
        CheckOutputsComplete();
    }

    // What the user sees does not depend on how many files are worked on at once.
    void severalJobsPrintWhatOneJobPrints() {
        // Out of size order; three sources of one name; a file that is not a picture.
        const QStringList sources = {MakeImage("in/a/x.png", 50, 40), MakeImage("in/b/x.png", 900, 600),
                                     MakeImage("in/c/x.bmp", 300, 300), MakeImage("in/d.png", 700, 90),
                                     MakeImage("in/e.png", 20, 20)};
        QFile text(Path("in/c/broken.jpg"));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("not a picture") > 0);
        text.close();
        TResult results[2];
        QStringList trees[2];
        const char* jobs[2] = {"1", "3"};
        for (int i = 0; i < 2; ++i) {
            const QString out = Path(QStringLiteral("out%1").arg(i));
            results[i] = Run({"-j", jobs[i], "--output", out, Path("in")});
            QDirIterator it(out, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString file = it.next();
                QFile bytes(file);
                QVERIFY(bytes.open(QIODevice::ReadOnly));
                trees[i] << QDir(out).relativeFilePath(file) + QLatin1Char(' ') +
                                QString::fromLatin1(bytes.readAll().toBase64());
            }
            trees[i].sort();
        }
        QCOMPARE(results[0].Code, 1);
        QCOMPARE(results[1].Code, results[0].Code);
        QCOMPARE(results[1].Out, results[0].Out);
        QCOMPARE(results[1].Err, results[0].Err.replace(Path("out0"), Path("out1")));
        QCOMPARE(trees[1], trees[0]);
        QCOMPARE(trees[0].size(), 15);
        QVERIFY(QFileInfo::exists(Path("out1/Large/Large_x (3).jpg")));
    }
};

VK_TEST_MAIN(TestCliBatch)
#include "test_cli_batch.moc"
