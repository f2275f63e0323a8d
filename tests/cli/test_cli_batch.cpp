// vellumkite-batch end to end, as a script would run it.

#include <QDir>
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

    void interruptFinishesTheFileUnderWay() {
        QStringList paths;
        for (int i = 0; i < 30; ++i) {
            paths << MakeImage(QStringLiteral("in/p%1.png").arg(i, 2, 10, QLatin1Char('0')), 800,
                               600);
        }
        QProcess process;
        process.start(QStringLiteral(VK_BATCH_PROGRAM),
                      {"--resize-quality", "high", "--output", Path("out"), Path("in")});
        QVERIFY(QTest::qWaitFor([this] { return FileCount(Path("out/Thumbnail")) > 0; }, 60000));
        ::kill(static_cast<pid_t>(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 130);
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const int done = FileCount(Path("out/Large"));
        QVERIFY(done < 30);
        QCOMPARE(FileCount(Path("out/Thumbnail")), done);
        QCOMPARE(out, QStringLiteral("Files Processed: %1\nNon Supported files: 0\n").arg(done));
    }
};

VK_TEST_MAIN(TestCliBatch)
#include "test_cli_batch.moc"
