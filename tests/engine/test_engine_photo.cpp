// One photograph from a file's bytes to JPEG bytes, on files made with the engine's own tools:
// orientation, colour, metadata limits, quality and damaged input.

#include <QBuffer>
#include <QColorSpace>
#include <QColorTransform>
#include <QTemporaryDir>
#include <QTest>

#include "engine/EnginePhoto.h"
#include "engine/ImageMagickAPI.h"
#include "engine/MagickImage.h"
#include "support/ImageFiles.h"
#include "support/Quadrants.h"
#include "support/TestMain.h"
#include "support/Tools.h"

using vk_test::Describe;
using vk_test::HasQuadrants;
using vk_test::kTopRight;
using vk_test::Near;
using vk_test::Quadrants;
using vk_test::ReadBytes;
using vk_test::Run;
using vk_test::Succeeds;
using vk_test::Tag;
using vk_test::Viewed;
using vk_test::Words;
using vk_test::WriteBytes;

namespace {

const QString kIccFolder = QStringLiteral("/usr/share/color/icc/");
const QString kSrgbProfile = kIccFolder + QStringLiteral("sRGB.icc");
const QString kAdobeProfile = kIccFolder + QStringLiteral("compatibleWithAdobeRGB1998.icc");
const QString kCmykProfile = kIccFolder + QStringLiteral("ghostscript/default_cmyk.icc");

// Bytes of the APPn and COM segments before the picture data: what the file carries besides
// pixels.
qsizetype MetadataBytes(const QByteArray& jpeg) {
    qsizetype total = 0;
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && static_cast<unsigned char>(jpeg[at]) == 0xFF) {
        const auto marker = static_cast<unsigned char>(jpeg[at + 1]);
        if (marker == 0xDA)
            break;
        const qsizetype length = (static_cast<unsigned char>(jpeg[at + 2]) << 8) |
                                 static_cast<unsigned char>(jpeg[at + 3]);
        if ((marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE)
            total += 2 + length;
        at += 2 + length;
    }
    return total;
}

// A JPEG with extra segments placed right after its start marker.
QByteArray WithSegments(const QByteArray& jpeg, unsigned char marker, const QByteArray& header,
                        qsizetype totalPayload) {
    QByteArray segments;
    constexpr qsizetype kChunk = 60'000;
    for (qsizetype done = 0; done < totalPayload; done += kChunk) {
        const QByteArray payload = header + QByteArray(std::min(kChunk, totalPayload - done), 'x');
        const qsizetype length = payload.size() + 2;
        segments += '\xFF';
        segments += static_cast<char>(marker);
        segments += static_cast<char>(length >> 8);
        segments += static_cast<char>(length & 0xFF);
        segments += payload;
    }
    return jpeg.left(2) + segments + jpeg.mid(2);
}

// Decodes and prepares a photograph the way a batch does, then encodes it.
QByteArray Prepared(const QByteArray& source, bool strip = false, int quality = 85) {
    TEnginePhoto photo = TEnginePhoto::Decode(source, "jpg", std::nullopt);
    if (photo.IsEmpty() || !photo.TurnUpright())
        return {};
    photo.ConvertToSrgb();
    photo.FlattenOntoWhite();
    photo.LimitMetadata(strip);
    QString error;
    const QByteArray jpeg = photo.Encode("JPEG", quality, error);
    if (jpeg.isEmpty())
        qWarning("encode failed: %s", qPrintable(error));
    return jpeg;
}

} // namespace

class TestEnginePhoto : public QObject {
    Q_OBJECT

private:
    QTemporaryDir Folder;
    QString Upright; // a 60 x 40 PNG of the four quadrants

    QString Path(const QString& name) const { return Folder.filePath(name); }

    // The engine's tool writes Name from Input with Options; returns what it wrote.
    QByteArray Converted(const QString& input, const QStringList& options, const char* name) {
        const QString path = Path(QString::fromUtf8(name));
        if (!Succeeds(QStringLiteral("convert"), QStringList{input} << options << path))
            return {};
        return ReadBytes(path);
    }

    // The upright picture as a JPEG, with extra options before writing.
    QByteArray ConvertedJpeg(const char* name, const QStringList& options = {}) {
        return Converted(Upright, options + Words("-quality 95"), name);
    }

    QString Identify(const QByteArray& bytes, const QString& format) {
        const QString path = Path(QStringLiteral("identify.jpg"));
        if (!WriteBytes(path, bytes))
            return {};
        return Run(QStringLiteral("identify"), {QStringLiteral("-format"), format, path});
    }

private slots:
    void initTestCase() {
        QVERIFY(LoadImageMagick(""));
        MagickLoaded = true;
        Upright = Path(QStringLiteral("upright.png"));
        QVERIFY(Quadrants(60, 40).save(Upright));
        QVERIFY(!ConvertedJpeg("plain.jpg").isEmpty());
    }

    void cleanupTestCase() {
        UnloadImageMagick();
        ShutDownImageMagickAPI();
    }

    void turnsEveryOrientationUpright_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QString>("storedBy"); // the stored pixels, from the upright picture
        QTest::newRow("1") << 1 << "";
        QTest::newRow("2 mirrored") << 2 << "-flop";
        QTest::newRow("3 upside down") << 3 << "-rotate 180";
        QTest::newRow("4 flipped") << 4 << "-flip";
        QTest::newRow("5 transposed") << 5 << "-transpose";
        QTest::newRow("6 turned right") << 6 << "-rotate 270";
        QTest::newRow("7 transversed") << 7 << "-transverse";
        QTest::newRow("8 turned left") << 8 << "-rotate 90";
    }
    void turnsEveryOrientationUpright() {
        QFETCH(int, orientation);
        QFETCH(QString, storedBy);
        const QByteArray name = "oriented" + QByteArray::number(orientation) + ".jpg";
        QVERIFY(!ConvertedJpeg(name.constData(), Words(storedBy)).isEmpty());
        const QString path = Path(QString::fromUtf8(name));
        QVERIFY(Tag(path, {QStringLiteral("-Orientation#=%1").arg(orientation)}));

        TEnginePhoto photo = TEnginePhoto::Decode(ReadBytes(path), "jpg", std::nullopt);
        QCOMPARE(photo.Orientation(), orientation);
        QVERIFY(photo.TurnUpright());
        QCOMPARE(photo.Orientation(), 1);
        QCOMPARE(photo.Size(), QSize(60, 40));
        QString error;
        const QByteArray jpeg = photo.Encode("JPEG", 95, error);
        QVERIFY2(!jpeg.isEmpty(), qPrintable(error));
        // A viewer that honours EXIF orientation must show it as it is, upright.
        const QImage viewed = Viewed(jpeg);
        QCOMPARE(viewed.size(), QSize(60, 40));
        QVERIFY(HasQuadrants(viewed, 24));
        QCOMPARE(Identify(jpeg, QStringLiteral("%[orientation] %[EXIF:Orientation]")),
                 QStringLiteral("TopLeft 1"));
    }

    // The decoder keeps any number it finds; what is no orientation is upright, and the
    // output says so.
    void anOrientationOutOfRangeIsUpright() {
        QVERIFY(!ConvertedJpeg("odd.jpg").isEmpty());
        const QString path = Path(QStringLiteral("odd.jpg"));
        QVERIFY(Tag(path, {QStringLiteral("-Orientation#=65535")}));
        TEnginePhoto photo = TEnginePhoto::Decode(ReadBytes(path), "jpg", std::nullopt);
        QCOMPARE(photo.Orientation(), 1);
        QVERIFY(photo.TurnUpright());
        QString error;
        const QByteArray jpeg = photo.Encode("JPEG", 95, error);
        QVERIFY(HasQuadrants(Viewed(jpeg), 24));
        QCOMPARE(Identify(jpeg, QStringLiteral("%[orientation] %[EXIF:Orientation]")),
                 QStringLiteral("TopLeft 1"));
    }

    // A HEIF picture arrives as luma and chroma planes; the colours come out as they went in.
    void heifColoursComeOutAsRgb() {
        const QByteArray heic = Converted(Upright, Words("-quality 95"), "colours.heic");
        QVERIFY(!heic.isEmpty());
        TEnginePhoto photo = TEnginePhoto::Decode(heic, "heic", std::nullopt);
        QCOMPARE(photo.Size(), QSize(60, 40));
        photo.ConvertToSrgb();
        const QByteArray rgb = photo.RgbPixels();
        const QImage pixels(reinterpret_cast<const uchar*>(rgb.constData()), 60, 40, 3 * 60,
                            QImage::Format_RGB888);
        QVERIFY(HasQuadrants(pixels, 24));
    }

    void convertsCmykThroughItsProfile() {
        const QByteArray cmyk =
            ConvertedJpeg("cmyk.jpg", {QStringLiteral("-profile"), kSrgbProfile,
                                       QStringLiteral("-profile"), kCmykProfile});
        QVERIFY(cmyk.size() > 180'000); // the profile is in it
        QCOMPARE(Identify(cmyk, QStringLiteral("%[colorspace]")), QStringLiteral("CMYK"));

        const QByteArray jpeg = Prepared(cmyk);
        QVERIFY(!jpeg.isEmpty());
        QVERIFY2(jpeg.size() < 8'000, qPrintable(QString::number(jpeg.size())));
        QCOMPARE(Identify(jpeg, QStringLiteral("%[colorspace] %[channels]")),
                 QStringLiteral("sRGB srgb"));
        const QImage viewed = Viewed(jpeg);
        QVERIFY(!viewed.colorSpace().isValid()); // no profile: plain sRGB
        QVERIFY(HasQuadrants(viewed, 40));
    }

    void convertsCmykWithoutAProfile() {
        const QByteArray cmyk = ConvertedJpeg("plain-cmyk.jpg", Words("-colorspace CMYK"));
        QCOMPARE(Identify(cmyk, QStringLiteral("%[colorspace]")), QStringLiteral("CMYK"));
        const QByteArray jpeg = Prepared(cmyk);
        QCOMPARE(Identify(jpeg, QStringLiteral("%[colorspace] %[channels]")),
                 QStringLiteral("sRGB srgb"));
        QVERIFY(HasQuadrants(Viewed(jpeg), 24));
    }

    void keepsAnRgbProfile() {
        const QByteArray adobe =
            ConvertedJpeg("adobe.jpg", {QStringLiteral("-profile"), kAdobeProfile});
        const QByteArray jpeg = Prepared(adobe);
        QCOMPARE(Viewed(jpeg).colorSpace().iccProfile(), ReadBytes(kAdobeProfile));
        // Strip removes descriptions, never the meaning of the colours.
        QCOMPARE(Viewed(Prepared(adobe, true)).colorSpace().iccProfile(), ReadBytes(kAdobeProfile));

        // A colour picture that holds only greys stays a colour JPEG, as its profile says.
        const QByteArray greys =
            ConvertedJpeg("adobe-greys.jpg", Words("-colorspace Gray -colorspace sRGB -type "
                                                   "TrueColor -profile")
                                                 << kAdobeProfile);
        const QByteArray greyJpeg = Prepared(greys);
        QCOMPARE(Identify(greyJpeg, QStringLiteral("%[channels]")), QStringLiteral("srgb"));
        QCOMPARE(Viewed(greyJpeg).colorSpace().iccProfile(), ReadBytes(kAdobeProfile));
    }

    void appliesAndDropsAHugeProfile() {
        // A valid Adobe RGB profile padded to 16 MB, its header saying so.
        QByteArray profile = ReadBytes(kAdobeProfile);
        QVERIFY(!profile.isEmpty());
        profile.append(QByteArray(16'000'000 - profile.size(), '\0'));
        const quint32 size = static_cast<quint32>(profile.size());
        for (int i = 0; i < 4; ++i)
            profile[i] = static_cast<char>(size >> (24 - 8 * i));
        QVERIFY(WriteBytes(Path(QStringLiteral("huge.icc")), profile));
        const QByteArray huge = ConvertedJpeg(
            "huge-profile.jpg", {QStringLiteral("-profile"), Path(QStringLiteral("huge.icc"))});
        QVERIFY(huge.size() > 16'000'000);

        const QByteArray jpeg = Prepared(huge);
        QVERIFY2(MetadataBytes(jpeg) <= 64 * 1024, qPrintable(QString::number(jpeg.size())));
        const QImage viewed = Viewed(jpeg);
        QVERIFY(!viewed.colorSpace().isValid());
        // The colours now are the Adobe RGB colours expressed in sRGB.
        const QColorTransform toSrgb =
            QColorSpace(QColorSpace::AdobeRgb).transformationToColorSpace(QColorSpace::SRgb);
        const QColor expected = toSrgb.map(kTopRight);
        QVERIFY2(Near(viewed.pixelColor(57, 2), expected, 12),
                 qPrintable(Describe(viewed.pixelColor(57, 2)) + " " + Describe(expected)));
    }

    void keepsMetadataSmall() {
        const QByteArray plain = ReadBytes(Path(QStringLiteral("plain.jpg")));
        const QByteArray photoshop =
            QByteArray("Photoshop 3.0\0", 14) + QByteArray("8BIM\x04\x04\0\0", 8);
        const QByteArray iptc = WithSegments(plain, 0xED, photoshop, 2'000'000);
        const QByteArray comment = WithSegments(plain, 0xFE, {}, 300'000);
        for (const QByteArray& source : {iptc, comment}) {
            QVERIFY(MetadataBytes(source) > 300'000);
            const QByteArray jpeg = Prepared(source);
            QVERIFY(!jpeg.isEmpty());
            QVERIFY2(MetadataBytes(jpeg) <= 64 * 1024,
                     qPrintable(QString::number(MetadataBytes(jpeg))));
        }
        // A small comment is kept; of two blocks that fit only one at a time, one is kept.
        const QByteArray small = WithSegments(plain, 0xFE, {}, 2'000);
        QVERIFY(MetadataBytes(Prepared(small)) > 2'000);
        const QByteArray both =
            WithSegments(WithSegments(plain, 0xFE, {}, 40'000), 0xED, photoshop, 40'000);
        const qsizetype kept = MetadataBytes(Prepared(both));
        QVERIFY2(kept > 40'000 && kept <= 64 * 1024, qPrintable(QString::number(kept)));
    }

    void stripRemovesExifAndKeepsTheProfile() {
        const QString path = Path(QStringLiteral("gps.jpg"));
        QVERIFY(!ConvertedJpeg("gps.jpg", {QStringLiteral("-profile"), kAdobeProfile}).isEmpty());
        QVERIFY(Tag(path, Words("-GPSLatitude=48.8584 -GPSLatitudeRef=N -GPSLongitude=2.2945 "
                                "-GPSLongitudeRef=E -IPTC:Keywords=Holiday -XMP:Title=Sunset")
                              << QStringLiteral("-Artist=Someone Private")));
        const QByteArray source = ReadBytes(path);

        const QByteArray kept = Prepared(source);
        QVERIFY(kept.contains("Someone Private"));
        QVERIFY(kept.contains("Sunset"));
        QCOMPARE(kept.count("Holiday"), source.count("Holiday"));
        QVERIFY(!Identify(kept, QStringLiteral("%[EXIF:GPSLatitude]")).isEmpty());

        const QByteArray stripped = Prepared(source, true);
        QVERIFY(!stripped.contains("Exif"));
        QVERIFY(!stripped.contains("Someone Private"));
        QVERIFY(!stripped.contains("Sunset"));
        QVERIFY(!stripped.contains("Holiday"));
        QVERIFY(Viewed(stripped).colorSpace().isValid());
    }

    void qualityZeroIsTheLowest() {
        const QImage noise = [] {
            QImage image(200, 150, QImage::Format_RGB32);
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    image.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * y) % 256, y * 3 % 256));
            return image;
        }();
        QVERIFY(noise.save(Path(QStringLiteral("noise.png"))));
        TEnginePhoto photo =
            TEnginePhoto::Decode(ReadBytes(Path(QStringLiteral("noise.png"))), "png", std::nullopt);
        QString error;
        const QByteArray lowest = photo.Encode("JPEG", 0, error);
        const QByteArray five = photo.Encode("JPEG", 5, error);
        const QByteArray standard = photo.Encode("JPEG", -1, error);
        QCOMPARE(Identify(lowest, QStringLiteral("%Q")), QStringLiteral("1"));
        QVERIFY(lowest.size() < five.size());
        QCOMPARE(Identify(standard, QStringLiteral("%Q")), QStringLiteral("92"));
    }

    void damagedFilesDecodeFromWhatTheyHold() {
        const QByteArray whole = Converted(QStringLiteral("plasma:fractal"),
                                           Words("-resize 400x300! -quality 90"), "whole.jpg");
        QVERIFY(!whole.isEmpty());
        QVERIFY(TEnginePhoto::Decode(whole, "jpg", std::nullopt).PartialReadReason().isEmpty());

        const TEnginePhoto truncated =
            TEnginePhoto::Decode(whole.left(whole.size() * 6 / 10), "jpg", std::nullopt);
        QCOMPARE(truncated.Size(), QSize(400, 300));
        // The decoder's words alone: not the engine's own name for the bytes, nor its sources.
        QCOMPARE(truncated.PartialReadReason(), QStringLiteral("Premature end of JPEG file"));
        QString error;
        QVERIFY(!truncated.Encode("JPEG", 80, error).isEmpty());
        QVERIFY(error.isEmpty());

        // Broken metadata is not missing picture data.
        const QByteArray brokenExif =
            WithSegments(whole, 0xE1, QByteArray("Exif\0\0MM\0\x2a\xff\xff\xff\xf0", 14), 500);
        const TEnginePhoto described = TEnginePhoto::Decode(brokenExif, "jpg", std::nullopt);
        QCOMPARE(described.Size(), QSize(400, 300));
        QCOMPARE(described.PartialReadReason(), QString());
    }

    // Each says why; "" stands for the decoder's own words, whatever they are.
    void nothingDecodesFromNothing_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("hint");
        QTest::addColumn<QString>("why");
        const QByteArray plain = ReadBytes(Path(QStringLiteral("plain.jpg")));
        const QString noDecoder = QStringLiteral("no decoder for this format");
        QTest::newRow("a JPEG's first bytes") << plain.left(300) << QByteArray("jpg") << "";
        QTest::newRow("text named jpg") << QByteArray("just some words\n") << QByteArray("jpg")
                                        << ""; // the JPEG decoder's words
        QTest::newRow("text") << QByteArray("just some words\n") << QByteArray() << noDecoder;
        QTest::newRow("nothing") << QByteArray() << QByteArray("jpg") << "the file is empty";
        QTest::newRow("hint with syntax") << plain.left(300) << QByteArray("jpg[1]") << "";
        QTest::newRow("a refused format")
            << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"4\" height=\"4\"/>")
            << QByteArray("svg") << "this format is not allowed";
    }
    void nothingDecodesFromNothing() {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, hint);
        QFETCH(QString, why);
        TEnginePhoto photo = TEnginePhoto::Decode(bytes, hint, std::nullopt);
        QVERIFY(photo.IsEmpty());
        QVERIFY(!photo.DecodeFailure().isEmpty());
        if (!why.isEmpty())
            QCOMPARE(photo.DecodeFailure(), why);
        QCOMPARE(photo.Size(), QSize());
        QVERIFY(!photo.TurnUpright());
        QVERIFY(!photo.Resize(QSize(10, 10), true));
        QString error;
        QVERIFY(photo.Encode("JPEG", 80, error).isEmpty());
        QVERIFY(!error.isEmpty());

        // The graphic class follows the same rule.
        QBuffer stream(&bytes);
        stream.open(QIODevice::ReadOnly);
        TMagickImage image;
        if (!bytes.isEmpty())
            image.LoadFromStream(stream);
        QVERIFY(image.GetEmpty());
        QCOMPARE(image.GetFrameCount(), 0);
    }

    void greyAndDeepPicturesKeepTheirLightness_data() {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("colorspace");
        QTest::newRow("grey 8-bit") << "-colorspace Gray"
                                    << "Gray";
        QTest::newRow("grey 16-bit") << "-colorspace Gray -depth 16"
                                     << "Gray";
        QTest::newRow("linear grey") << "-colorspace Gray -set gamma 1.0"
                                     << "Gray";
        QTest::newRow("colour 16-bit") << "-depth 16"
                                       << "sRGB";
    }
    void greyAndDeepPicturesKeepTheirLightness() {
        QFETCH(QString, options);
        QFETCH(QString, colorspace);
        const QByteArray png = Converted(Upright, Words(options), "grey.png");
        const QImage source = QImage::fromData(png);
        QVERIFY(!source.isNull());

        TEnginePhoto photo = TEnginePhoto::Decode(png, "png", std::nullopt);
        photo.ConvertToSrgb();
        QVERIFY(photo.Resize(QSize(30, 20), true));
        QString error;
        const QByteArray jpeg = photo.Encode("JPEG", 95, error);
        QCOMPARE(Identify(jpeg, QStringLiteral("%z %[colorspace]")), "8 " + colorspace);
        const QImage viewed = Viewed(jpeg);
        const QColor expected = source.pixelColor(5, 5);
        QVERIFY2(Near(viewed.pixelColor(3, 3), expected, 6),
                 qPrintable(Describe(viewed.pixelColor(3, 3)) + " " + Describe(expected)));
    }

    void reducedDecodeKeepsTheStoredSize() {
        const QByteArray big =
            Converted(QStringLiteral("gradient:red-blue"), Words("-resize 800x600!"), "big.jpg");
        const TEnginePhoto reduced = TEnginePhoto::Decode(big, "jpg", QSize(100, 75));
        QCOMPARE(reduced.Size(), QSize(100, 75));
        QCOMPARE(reduced.StoredSize(), QSize(800, 600));
        QVERIFY(reduced.DecodedAsJpeg());
        // Turned upright, the stored size turns too.
        QVERIFY(Tag(Path(QStringLiteral("big.jpg")), Words("-Orientation#=6")));
        TEnginePhoto turned =
            TEnginePhoto::Decode(ReadBytes(Path(QStringLiteral("big.jpg"))), "jpg", QSize(100, 75));
        QVERIFY(turned.TurnUpright());
        QCOMPARE(turned.Size(), QSize(75, 100));
        QCOMPARE(turned.StoredSize(), QSize(600, 800));

        const TEnginePhoto full = TEnginePhoto::Decode(big, "jpg", std::nullopt);
        QCOMPARE(full.Size(), QSize(800, 600));
        QCOMPARE(full.StoredSize(), QSize(800, 600));

        const TEnginePhoto png = TEnginePhoto::Decode(ReadBytes(Upright), "png", QSize(10, 10));
        QCOMPARE(png.Size(), QSize(60, 40));
        QVERIFY(!png.DecodedAsJpeg());
    }

    void flattensAndResizes() {
        QImage clear(40, 30, QImage::Format_ARGB32);
        clear.fill(Qt::transparent);
        QVERIFY(clear.save(Path(QStringLiteral("clear.png"))));
        TEnginePhoto photo =
            TEnginePhoto::Decode(ReadBytes(Path(QStringLiteral("clear.png"))), {}, std::nullopt);
        photo.FlattenOntoWhite();
        for (const bool high : {true, false}) {
            QVERIFY(photo.Resize(QSize(high ? 21 : 7, high ? 13 : 5), high));
            QString error;
            const QImage viewed = Viewed(photo.Encode("JPEG", 90, error));
            QCOMPARE(viewed.size(), QSize(high ? 21 : 7, high ? 13 : 5));
            QVERIFY(Near(viewed.pixelColor(2, 2), Qt::white, 3));
        }
        QVERIFY(!photo.Resize(QSize(0, 5), false));
        QVERIFY(photo.IsEmpty());
    }
};

VK_TEST_MAIN(QCoreApplication, TestEnginePhoto)
#include "test_engine_photo.moc"
