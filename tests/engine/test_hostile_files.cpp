// Files built to make the engine read other files than the one it is given. Each must leave the
// object empty and must not open the file it aims at; the same files read by an engine started
// without the program's rights rules do open it, so the rules are what stops them.

#include <QColor>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <sys/inotify.h>
#include <unistd.h>

#include <zlib.h>

#include "engine/ImageMagickAPI.h"
#include "engine/MagickImage.h"
#include "support/EngineStart.h"
#include "support/ImageFiles.h"
#include "support/PngFiles.h"
#include "support/TestMain.h"

using vk_test::BigEndian32;
using vk_test::PngChunk;

namespace {

// The colour of the secret picture, which nothing else here draws.
const QColor kSecretColour(1, 254, 3);

// Reports whether anyone, this process included, opened or read a file or anything in a folder
// since the watch began.
class TOpenWatch {
public:
    explicit TOpenWatch(const QString& path)
        : Queue(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)),
          Watch(Queue < 0 ? -1
                          : inotify_add_watch(Queue, QFile::encodeName(path).constData(),
                                              IN_OPEN | IN_ACCESS)) {}
    ~TOpenWatch() {
        if (Queue >= 0)
            close(Queue);
    }
    TOpenWatch(const TOpenWatch&) = delete;
    TOpenWatch& operator=(const TOpenWatch&) = delete;

    bool IsValid() const { return Watch >= 0; }
    bool Touched() const {
        alignas(inotify_event) char events[4096];
        return read(Queue, events, sizeof events) > 0;
    }

private:
    int Queue;
    int Watch;
};

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

// A placeable metafile that writes one word: the engine's metafile reader looks its fonts up
// through the font configuration, whatever the rest of the file holds.
QByteArray MetafileWithText() {
    const auto word16 = [](int value) {
        return QByteArray(1, static_cast<char>(value & 0xff)) +
               QByteArray(1, static_cast<char>((value >> 8) & 0xff));
    };
    const auto word32 = [&](int value) { return word16(value) + word16(value >> 16); };
    const auto record = [&](int function, const QByteArray& parameters) {
        return word32(3 + static_cast<int>(parameters.size()) / 2) + word16(function) + parameters;
    };
    const QByteArray records =
        record(0x020B, word16(0) + word16(0)) +     // window origin
        record(0x020C, word16(100) + word16(200)) + // window extent
        record(0x0521, word16(5) + QByteArray("Hello\0", 6) + word16(50) + word16(10)) +
        record(0x0000, {}); // end
    QByteArray placeable = word32(static_cast<int>(0x9AC6CDD7u)) + word16(0) + word16(0) +
                           word16(0) + word16(200) + word16(100) + word16(1440) + word32(0);
    int checksum = 0;
    for (qsizetype i = 0; i < placeable.size(); i += 2)
        checksum ^= static_cast<unsigned char>(placeable[i]) |
                    (static_cast<unsigned char>(placeable[i + 1]) << 8);
    placeable += word16(checksum);
    const QByteArray header = word16(1) + word16(9) + word16(0x0300) +
                              word32(9 + static_cast<int>(records.size()) / 2) + word16(0) +
                              word32(12) + word16(0);
    return placeable + header + records;
}

// Bytes no font reader understands; the engine's font reader then lays out its sample text in
// the system's default font, which it looks up through the font configuration.
QByteArray Noise(int count) {
    QByteArray bytes(count, '\0');
    quint32 state = 12345;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

bool ShowsSecret(const TMagickImage& image) {
    if (image.GetEmpty())
        return false;
    QImage pixels;
    image.AssignTo(pixels);
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x)
            if (pixels.pixelColor(x, y) == kSecretColour)
                return true;
    return false;
}

// The engine names its temporary files magick-*; other tests run beside this one, so only such
// names are watched in /tmp.
QStringList EngineTemporaryFiles() {
    return QDir(QStringLiteral("/tmp"))
        .entryList({QStringLiteral("magick-*")}, QDir::Files | QDir::Hidden);
}

} // namespace

class TestHostileFiles : public QObject {
    Q_OBJECT

private:
    QTemporaryDir Folder;
    QString Secret;  // the file the hostile files try to read
    QByteArray Jpeg; // 200 x 150

    void AddReaders() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("target");
        const QString fonts = QStringLiteral("/etc/fonts");
        const QByteArray svg = "<?xml version=\"1.0\"?>\n<svg width=\"16\" height=\"16\" "
                               "xmlns=\"http://www.w3.org/2000/svg\" "
                               "xmlns:xlink=\"http://www.w3.org/1999/xlink\"><image width=\"16\" "
                               "height=\"16\" xlink:href=\"" +
                               QFile::encodeName(Secret) + "\"/></svg>\n";
        QTest::newRow("font collection") << "x.ttc" << Noise(64) << fonts;
        QTest::newRow("metafile named jpg") << "words.jpg" << MetafileWithText() << fonts;
        QTest::newRow("svg named svg") << "vector.svg" << svg << Secret;
        QTest::newRow("svg named jpg") << "vector.jpg" << svg << Secret;
    }

private slots:
    void initTestCase() {
        Secret = Folder.filePath(QStringLiteral("secret.png"));
        QImage secret(16, 16, QImage::Format_RGB32);
        secret.fill(kSecretColour);
        QVERIFY(secret.save(Secret, "PNG"));
        // Busy enough that its coded data outweighs its headers.
        QImage photo(200, 150, QImage::Format_RGB32);
        for (int y = 0; y < photo.height(); ++y)
            for (int x = 0; x < photo.width(); ++x)
                photo.setPixel(x, y, qRgb(x * 7 % 256, y * 5 % 256, x * y % 256));
        const QString jpeg = Folder.filePath(QStringLiteral("whole.jpg"));
        QVERIFY(photo.save(jpeg, "JPEG"));
        Jpeg = vk_test::ReadBytes(jpeg);
        vk_test::StartEngine(true);
        QVERIFY(MagickLoaded);
    }

    void cleanupTestCase() {
        MagickLoaded = false;
        ShutDownImageMagickAPI();
    }

    // Each file gets a freshly started engine: it reads the font configuration once per start.
    void filesThatReadOtherFilesReadNothing_data() { AddReaders(); }
    void filesThatReadOtherFilesReadNothing() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, target);
        vk_test::StartEngine(true);
        QVERIFY(MagickLoaded);
        const QString path = Folder.filePath(name);
        QVERIFY(vk_test::WriteBytes(path, content));
        const QStringList engineFilesBefore = EngineTemporaryFiles();
        const TOpenWatch watch(target);
        QVERIFY(watch.IsValid());
        TMagickImage image;
        image.LoadFromFile(path);
        QVERIFY(!watch.Touched());
        QVERIFY(image.GetEmpty());
        QCOMPARE(EngineTemporaryFiles(), engineFilesBefore);
        QFile::remove(path);
    }

    void declaredSizesBeyondTheLimitsAreRefused_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("wider than the width limit") << PngDeclaring(100000, 100000);
        QTest::newRow("within the sides, beyond the area") << PngDeclaring(60000, 60000);
    }
    void declaredSizesBeyondTheLimitsAreRefused() {
        QFETCH(QByteArray, content);
        const QString path = Folder.filePath(QStringLiteral("huge.png"));
        QVERIFY(vk_test::WriteBytes(path, content));
        TMagickImage image;
        image.LoadFromFile(path);
        QVERIFY(image.GetEmpty());
    }

    // The engine gives a frame of no size for headers without coded data, and the whole picture,
    // filled out, as soon as the coded data has begun.
    void aTruncatedJpegIsReadOnceItsCodedDataBegins_data() {
        QTest::addColumn<qsizetype>("keep");
        QTest::addColumn<bool>("read");
        const qsizetype scan = Jpeg.indexOf(QByteArray("\xff\xda", 2));
        QVERIFY(scan > 100 && scan + 20 < Jpeg.size() / 2);
        QTest::newRow("signature only") << qsizetype{2} << false;
        QTest::newRow("part of the headers") << qsizetype{100} << false;
        QTest::newRow("all headers, no coded data") << scan << false;
        QTest::newRow("coded data begun") << scan + 20 << true;
        QTest::newRow("half the file") << Jpeg.size() / 2 << true;
    }
    void aTruncatedJpegIsReadOnceItsCodedDataBegins() {
        QFETCH(qsizetype, keep);
        QFETCH(bool, read);
        const QString cut = Folder.filePath(QStringLiteral("cut.jpg"));
        QVERIFY(vk_test::WriteBytes(cut, Jpeg.left(keep)));
        TMagickImage image;
        image.LoadFromFile(cut);
        QCOMPARE(image.GetEmpty(), !read);
        if (read) {
            QCOMPARE(image.GetWidth(), 200);
            QCOMPARE(image.GetHeight(), 150);
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

    // Last: leaves the engine running without the rights rules.
    void withoutTheRightsRulesTheSameFilesReadTheirTarget_data() { AddReaders(); }
    void withoutTheRightsRulesTheSameFilesReadTheirTarget() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, target);
        vk_test::StartEngine(false);
        QVERIFY(MagickLoaded);
        const QString path = Folder.filePath(name);
        QVERIFY(vk_test::WriteBytes(path, content));
        const TOpenWatch watch(target);
        QVERIFY(watch.IsValid());
        TMagickImage image;
        image.LoadFromFile(path);
        QVERIFY(watch.Touched());
        if (target == Secret)
            QVERIFY(ShowsSecret(image));
        QFile::remove(path);
    }
};

VK_TEST_MAIN(QCoreApplication, TestHostileFiles)
#include "test_hostile_files.moc"
