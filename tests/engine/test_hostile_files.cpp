// Files built to make the engine run scripts, read or write other files, start programs or
// allocate without bound. Each must leave the object empty and touch nothing else.

#include <QDirIterator>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <zlib.h>

#include "engine/ImageMagickAPI.h"
#include "engine/MagickImage.h"
#include "support/ImageFiles.h"
#include "support/TestMain.h"

namespace {

QByteArray BigEndian32(quint32 value) {
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>((value >> (24 - 8 * i)) & 0xff);
    return bytes;
}

QByteArray PngChunk(const QByteArray& type, const QByteArray& data) {
    const QByteArray body = type + data;
    const auto crc = static_cast<quint32>(
        crc32(0, reinterpret_cast<const Bytef*>(body.constData()), static_cast<uInt>(body.size())));
    return BigEndian32(static_cast<quint32>(data.size())) + body + BigEndian32(crc);
}

// A valid PNG header that declares a picture of the given size, with almost no pixel data.
QByteArray PngDeclaring(quint32 width, quint32 height) {
    QByteArray header = BigEndian32(width) + BigEndian32(height);
    header += QByteArray("\x08\x02\x00\x00\x00", 5);
    QByteArray rows(1024, '\0');
    uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
    QByteArray packed(static_cast<qsizetype>(packedSize), '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
             reinterpret_cast<const Bytef*>(rows.constData()), static_cast<uLong>(rows.size()));
    packed.truncate(static_cast<qsizetype>(packedSize));
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header) +
           PngChunk("IDAT", packed) + PngChunk("IEND", {});
}

QStringList FilesBelow(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

// The engine names its temporary files magick-*; it may fall back to /tmp whatever TMPDIR says.
// Other tests run beside this one, so only such names are watched there.
QStringList EngineTemporaryFiles() {
    return QDir(QStringLiteral("/tmp"))
        .entryList({QStringLiteral("magick-*")}, QDir::Files | QDir::Hidden);
}

} // namespace

class TestHostileFiles : public QObject {
    Q_OBJECT

private:
    QTemporaryDir Folder;
    QString Secret;  // a file the hostile files try to read
    QString Planted; // a file they try to write

private slots:
    void initTestCase() {
        MagickLoaded = LoadImageMagick("");
        QVERIFY(MagickLoaded);
        Secret = Folder.filePath(QStringLiteral("secret.png"));
        Planted = Folder.filePath(QStringLiteral("planted.png"));
        QVERIFY(vk_test::WriteImage(Secret, 16, 16, "PNG"));
    }

    void cleanupTestCase() {
        UnloadImageMagick();
        ShutDownImageMagickAPI();
    }

    void hostileContentLeavesTheObjectEmptyAndTouchesNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        const QByteArray secret = Secret.toUtf8();
        const QByteArray planted = Planted.toUtf8();
        const QByteArray mvg = "push graphic-context\nviewbox 0 0 16 16\nimage over 0,0 16,16 \"" +
                               secret + "\"\npop graphic-context\n";
        const QByteArray svg = "<?xml version=\"1.0\"?>\n<svg width=\"16\" height=\"16\" "
                               "xmlns=\"http://www.w3.org/2000/svg\" "
                               "xmlns:xlink=\"http://www.w3.org/1999/xlink\"><image width=\"16\" "
                               "height=\"16\" xlink:href=\"file://" +
                               secret + "\"/></svg>\n";
        const QByteArray msl =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<image>\n<read filename=\"" + secret +
            "\"/>\n<write filename=\"" + planted + "\"/>\n</image>\n";
        const QByteArray postscript = "%!PS-Adobe-3.0\n/outfile (" + planted +
                                      ") (w) file def\noutfile (pwned) writestring\nshowpage\n";
        const QByteArray text = "text:" + secret + "\n";
        const QByteArray indirect = "@" + secret + "\n";
        QTest::newRow("drawing named jpg") << "draw.jpg" << mvg;
        QTest::newRow("drawing named mvg") << "draw.mvg" << mvg;
        QTest::newRow("svg named jpg") << "vector.jpg" << svg;
        QTest::newRow("svg named svg") << "vector.svg" << svg;
        QTest::newRow("script named jpg") << "script.jpg" << msl;
        QTest::newRow("script named msl") << "script.msl" << msl;
        QTest::newRow("postscript named jpg") << "page.jpg" << postscript;
        QTest::newRow("postscript named ps") << "page.ps" << postscript;
        QTest::newRow("text that names a file") << "note.txt" << text;
        QTest::newRow("indirect name list") << "list.txt" << indirect;
        QTest::newRow("empty") << "empty.jpg" << QByteArray();
        QTest::newRow("huge declared png") << "huge.png" << PngDeclaring(100000, 100000);
        QTest::newRow("huge area png") << "area.png" << PngDeclaring(60000, 60000);
    }
    void hostileContentLeavesTheObjectEmptyAndTouchesNothing() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        const QString path = Folder.filePath(name);
        QVERIFY(vk_test::WriteBytes(path, content));
        const QStringList before = FilesBelow(qEnvironmentVariable("HOME"));
        const QStringList engineFilesBefore = EngineTemporaryFiles();
        QElapsedTimer clock;
        clock.start();
        TMagickImage image;
        image.LoadFromFile(path);
        QVERIFY(image.GetEmpty());
        QVERIFY(!QFile::exists(Planted));
        QCOMPARE(FilesBelow(qEnvironmentVariable("HOME")), before);
        QCOMPARE(EngineTemporaryFiles(), engineFilesBefore);
        QFile::remove(path);
    }

    void aTruncatedPictureGivesWhatItHoldsOrNothing() {
        const QString whole = Folder.filePath(QStringLiteral("whole.jpg"));
        QVERIFY(vk_test::WriteImage(whole, 200, 150, "JPEG"));
        const QByteArray bytes = vk_test::ReadBytes(whole);
        for (const qsizetype keep : {qsizetype{2}, qsizetype{200}, bytes.size() / 2}) {
            const QString cut = Folder.filePath(QStringLiteral("cut.jpg"));
            QVERIFY(vk_test::WriteBytes(cut, bytes.left(keep)));
            TMagickImage image;
            image.LoadFromFile(cut);
            QVERIFY(image.GetEmpty() || (image.GetWidth() == 200 && image.GetHeight() == 150));
        }
    }

    void aWidePanoramaIsStillRead() {
        const QString path = Folder.filePath(QStringLiteral("panorama.png"));
        QVERIFY(vk_test::WriteImage(path, 20000, 20, "PNG"));
        TMagickImage image;
        image.LoadFromFile(path);
        QCOMPARE(image.GetWidth(), 20000);
    }

    void aDeviceNamedLikeAPictureIsNotRead() {
        TMagickImage image;
        image.LoadFromFile(QStringLiteral("/dev/zero"));
        QVERIFY(image.GetEmpty());
        const QString link = Folder.filePath(QStringLiteral("zero.jpg"));
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), link));
        image.LoadFromFile(link);
        QVERIFY(image.GetEmpty());
    }
};

VK_TEST_MAIN(TestHostileFiles)
#include "test_hostile_files.moc"
