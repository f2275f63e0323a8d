// What the engine is allowed: which formats it decodes and encodes, where it keeps temporary
// files and that it keeps none.

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "engine/ImageMagickAPI.h"
#include "engine/MagickImage.h"
#include "support/EngineStart.h"
#include "support/ImageFiles.h"
#include "support/TestMain.h"

namespace {

// The engine's private folders under the temporary folder (the test's own HOME).
QStringList EngineFolders() {
    QStringList folders;
    const QDir temporary(QDir(QDir::tempPath()).canonicalPath());
    for (const QString& name :
         temporary.entryList({QStringLiteral("vellumkite-engine-*")}, QDir::Dirs | QDir::Hidden))
        folders << temporary.filePath(name);
    return folders;
}

QStringList EngineTemporaryFiles(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("magick-*")}, QDir::Files | QDir::Hidden);
}

// Written by the engine's own command-line tool: a 40 x 30 gradient in the given format.
bool WriteGradient(const QString& path, const QString& format) {
    return QProcess::execute(QStringLiteral("convert"),
                             {QStringLiteral("-size"), QStringLiteral("40x30"),
                              QStringLiteral("gradient:red-blue"),
                              format + QLatin1Char(':') + path}) == 0;
}

const QByteArray kPlainSvg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" height=\"30\">"
                             "<rect width=\"40\" height=\"30\" fill=\"blue\"/></svg>\n";

} // namespace

class TestEngineFence : public QObject {
    Q_OBJECT

private:
    QTemporaryDir Folder;
    bool Fenced = true;

    // Files the rules refuse although the engine could decode them.
    void AddRefused() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("format");     // written by the engine's tool, else...
        QTest::addColumn<QByteArray>("content"); // ...these bytes
        QTest::newRow("text") << "pixels.txt"
                              << "TXT" << QByteArray();
        QTest::newRow("svg") << "plain.svg" << QString() << kPlainSvg;
        QTest::newRow("svg named png") << "plain.png" << QString() << kPlainSvg;
        QTest::newRow("font") << "font.ttc" << QString() << QByteArray(64, '\x5a');
    }

    bool Write(const QString& path, const QString& format, const QByteArray& content) const {
        return format.isEmpty() ? vk_test::WriteBytes(path, content) : WriteGradient(path, format);
    }

private slots:
    void initTestCase() {
        vk_test::StartEngine(true);
        QVERIFY(MagickLoaded);
    }

    void cleanupTestCase() {
        MagickLoaded = false;
        ShutDownImageMagickAPI();
    }

    void theEngineDecodesTheRasterFormats_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("format");
        // Some decoders call others (JNG holds JPEG and PNG, DCX holds PCX) or work from a
        // temporary file (JNG); some extensions name another decoder's files (.rad holds
        // Radiance pictures, .picon X pixmaps).
        const char* const rows[][2] = {
            {"a.jng", "JNG"},   {"a.png", "PNG"},   {"a.jpg", "JPEG"},  {"a.gif", "GIF"},
            {"a.tif", "TIFF"},  {"a.ptif", "PTIF"}, {"a.dcx", "DCX"},   {"a.pcx", "PCX"},
            {"a.pict", "PICT"}, {"a.picon", "XPM"}, {"a.rad", "HDR"},   {"a.psd", "PSD"},
            {"a.miff", "MIFF"}, {"a.ppm", "PPM"},   {"a.jp2", "JP2"},   {"a.dib", "DIB"},
            {"a.tga", "TGA"},   {"a.sun", "SUN"},   {"a.sgi", "SGI"},   {"a.xbm", "XBM"},
            {"a.bmp", "BMP"},   {"a.ico", "ICO"},   {"a.fits", "FITS"}, {"a.viff", "VIFF"},
            {"a.heic", "HEIC"}, {"a.avif", "AVIF"}, {"a.webp", "WEBP"},
        };
        for (const auto& row : rows)
            QTest::newRow(row[1]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
    }
    void theEngineDecodesTheRasterFormats() {
        QFETCH(QString, name);
        QFETCH(QString, format);
        const QString path = Folder.filePath(name);
        QVERIFY(WriteGradient(path, format));
        TMagickImage image;
        image.LoadFromFile(path);
        QCOMPARE(image.GetWidth(), 40);
        QCOMPARE(image.GetHeight(), 30);
    }

    void otherFormatsAreRefused_data() {
        AddRefused();
        // Refused whatever the rules: raw samples carry no size, the cache needs its companion.
        QTest::newRow("raw samples") << "samples.rgb"
                                     << "RGB" << QByteArray();
        QTest::newRow("persistent cache") << "cache.mpc"
                                          << "MPC" << QByteArray();
    }
    void otherFormatsAreRefused() {
        QFETCH(QString, name);
        QFETCH(QString, format);
        QFETCH(QByteArray, content);
        const QString path = Folder.filePath(name);
        QVERIFY(Write(path, format, content));
        TMagickImage image;
        image.LoadFromFile(path);
        QVERIFY(image.GetEmpty());
    }

    void theMatlabEncoderIsNeverReached() {
        // Its decoder works; its encoder needs an entry the installed library lacks.
        const QString png = Folder.filePath(QStringLiteral("small.png"));
        QVERIFY(vk_test::WriteImage(png, 8, 6, "PNG"));
        TMagickImage image;
        image.LoadFromFile(png);
        const QString mat = Folder.filePath(QStringLiteral("small.mat"));
        image.SaveToFile(mat);
        QVERIFY(!QFile::exists(mat));
    }

    void temporaryFilesStayInAPrivateFolderThatLivesWithTheEngine() {
        const QStringList folders = EngineFolders();
        QCOMPARE(folders.size(), 1);
        QCOMPARE(QFileInfo(folders[0]).permissions() &
                     (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther |
                      QFile::ExeGroup | QFile::ExeOther),
                 QFile::Permissions());
        // JNG is decoded through temporary files; none stays behind.
        const QString jng = Folder.filePath(QStringLiteral("spilled.jng"));
        QVERIFY(WriteGradient(jng, QStringLiteral("JNG")));
        const QStringList inTmp = EngineTemporaryFiles(QStringLiteral("/tmp"));
        {
            TMagickImage image;
            image.LoadFromFile(jng);
            QCOMPARE(image.GetWidth(), 40);
        }
        QCOMPARE(EngineTemporaryFiles(folders[0]), QStringList());
        QCOMPARE(EngineTemporaryFiles(QStringLiteral("/tmp")), inTmp);
        vk_test::StartEngine(true);
        const QStringList restarted = EngineFolders();
        QCOMPARE(restarted.size(), 1);
        QVERIFY(restarted[0] != folders[0]);
        UnloadImageMagick();
        QCOMPARE(EngineFolders(), QStringList());
        vk_test::StartEngine(true);
    }

    // Last: restarts the engine without the rights rules.
    void withoutTheRulesTheRefusedFormatsDecode_data() { AddRefused(); }
    void withoutTheRulesTheRefusedFormatsDecode() {
        QFETCH(QString, name);
        QFETCH(QString, format);
        QFETCH(QByteArray, content);
        if (Fenced) {
            vk_test::StartEngine(false);
            Fenced = false;
        }
        const QString path = Folder.filePath(name);
        QVERIFY(Write(path, format, content));
        TMagickImage image;
        image.LoadFromFile(path);
        QVERIFY(!image.GetEmpty());
    }
};

VK_TEST_MAIN(QCoreApplication, TestEngineFence)
#include "test_engine_fence.moc"
