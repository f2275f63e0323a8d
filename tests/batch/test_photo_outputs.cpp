// One photograph through the engine: the JPEG header read before decoding agrees with the
// decoder, which lands where the scaling rule says, and one decode at the scale the outputs need.

#include <QImage>
#include <QImageWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include "batch/DecodedSize.h"
#include "batch/JpegHeader.h"
#include "batch/PhotoOutputs.h"
#include "engine/EnginePhoto.h"
#include "engine/MagickImage.h"
#include "engine/MagickRegistration.h"
#include "support/BatchValues.h"
#include "support/ImageFiles.h"
#include "support/TestMain.h"

using vk_test::ReadBytes;

using vk_test::Text;

class TestPhotoOutputs : public QObject {
    Q_OBJECT

    std::optional<TEngineModule> Engine;
    QTemporaryDir Folder;

    // A picture with some detail in the format its name says; Orientation other than 1 is
    // written into its EXIF block.
    QByteArray Make(const QString& Name, int Width, int Height, int Orientation = 1) {
        const QString path = Folder.filePath(Name);
        if (!vk_test::PhotoImage(Width, Height).save(path, nullptr, 90)) {
            qFatal("cannot write %s", qPrintable(path));
        }
        if (Orientation != 1 &&
            QProcess::execute(QStringLiteral("exiftool"),
                              {QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
                               QStringLiteral("-Orientation#=%1").arg(Orientation), path}) != 0) {
            qFatal("cannot tag %s", qPrintable(path));
        }
        return ReadBytes(path);
    }

private slots:
    void initTestCase() {
        Engine.emplace();
        QVERIFY(MagickLoaded);
        if (QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty()) {
            QSKIP("exiftool is not installed");
        }
    }
    void cleanupTestCase() { Engine.reset(); }

    // The header the hint is chosen from must say what the engine finds when it decodes.
    void headerSaysWhatTheDecoderFinds_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QStringList>("extraTags");
        QTest::addColumn<bool>("progressive");
        QTest::newRow("plain") << 1 << QStringList() << false;
        QTest::newRow("progressive") << 1 << QStringList() << true;
        QTest::newRow("turned, big-endian EXIF") << 6 << QStringList() << false;
        QTest::newRow("turned, little-endian EXIF")
            << 8 << QStringList{QStringLiteral("-ExifByteOrder=II")} << true;
        QTest::newRow("EXIF without orientation")
            << 1 << QStringList{QStringLiteral("-Model=Test Camera")} << false;
    }
    void headerSaysWhatTheDecoderFinds() {
        QFETCH(int, orientation);
        QFETCH(QStringList, extraTags);
        QFETCH(bool, progressive);
        const QString path = Folder.filePath(QStringLiteral("header.jpg"));
        QImageWriter writer(path);
        writer.setProgressiveScanWrite(progressive);
        QVERIFY(writer.write(QImage(81, 47, QImage::Format_RGB32)));
        QStringList tags = extraTags;
        if (orientation != 1) {
            tags << QStringLiteral("-Orientation#=%1").arg(orientation);
        }
        if (!tags.isEmpty()) {
            QCOMPARE(QProcess::execute(
                         QStringLiteral("exiftool"),
                         QStringList{QStringLiteral("-q"), QStringLiteral("-overwrite_original")}
                             << tags << path),
                     0);
        }
        const QByteArray bytes = ReadBytes(path);
        const std::optional<TJpegHeader> header = ReadJpegHeader(bytes);
        QVERIFY(header);
        const TEnginePhoto decoded = TEnginePhoto::Decode(bytes, "jpg", std::nullopt);
        QCOMPARE(Text(header->Stored), QByteArray("81x47"));
        QCOMPARE(QSize(header->Stored.Width, header->Stored.Height), decoded.StoredSize());
        QCOMPARE(header->Orientation, orientation);
        QCOMPARE(header->Orientation, decoded.Orientation());
        // A file cut short keeps its header; a file cut inside it has none.
        QVERIFY(ReadJpegHeader(bytes.left(bytes.size() * 8 / 10)));
        QVERIFY(!ReadJpegHeader(bytes.left(30)));
    }

    void onlyJpegHasAHeader() {
        QVERIFY(!ReadJpegHeader(Make(QStringLiteral("plain.png"), 80, 60)));
        QVERIFY(!ReadJpegHeader(QByteArray("\xFF\xD8\xFF") + QByteArray(40, 'x')));
        QVERIFY(!ReadJpegHeader(QByteArray("\xFF\xD8")));
        QVERIFY(!ReadJpegHeader({}));
    }

    // The hints the run chooses rely on the rule; the engine's decoder must follow it, odd
    // sizes and enlargement included.
    void decoderLandsWhereTheRuleSays() {
        for (const TDimensions stored : {TDimensions{1921, 1081}, TDimensions{203, 157}}) {
            const QByteArray jpeg =
                Make(QStringLiteral("%1.jpg").arg(Text(stored)), stored.Width, stored.Height);
            QList<TDimensions> hints = {{600, 600}, {640, 360}, {100, 75},
                                        {25, 20},   {1, 1},     {3000, 3000}};
            for (const TDimensions atLeast : {TDimensions{600, 338}, TDimensions{60, 45}}) {
                if (const auto hint = SmallestJpegDecodeHint(stored, atLeast)) {
                    hints << *hint;
                }
            }
            for (const TDimensions hint : hints) {
                const TEnginePhoto photo =
                    TEnginePhoto::Decode(jpeg, "jpg", QSize(hint.Width, hint.Height));
                const QSize made = photo.Size();
                const QByteArray where = Text(stored) + " hinted " + Text(hint);
                QCOMPARE(Text({made.width(), made.height()}) + " " + where,
                         Text(ScaledByEighths(stored, JpegDecodeEighths(stored, hint))) + " " +
                             where);
                QCOMPARE(photo.StoredSize(), QSize(stored.Width, stored.Height));
            }
        }
    }

    void decodesOnceAtTheScaleTheOutputsNeed_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<TDimensions>("stored");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<TDimensions>("box");
        QTest::addColumn<bool>("high");
        QTest::addColumn<QByteArray>("decoded");
        QTest::addColumn<QByteArray>("large");
        const TDimensions box = {600, 600};
        QTest::newRow("full HD, low") << "hd.jpg" << TDimensions{1920, 1080} << 1 << box << false
                                      << QByteArray("720x405") << QByteArray("600x338");
        QTest::newRow("full HD, high: the box, whole")
            << "hd.jpg" << TDimensions{1920, 1080} << 1 << box << true << QByteArray("1920x1080")
            << QByteArray("600x338");
        QTest::newRow("small, low: never enlarged")
            << "small.jpg" << TDimensions{480, 360} << 1 << box << false << QByteArray("480x360")
            << QByteArray("600x450");
        QTest::newRow("small, high: never enlarged")
            << "small.jpg" << TDimensions{480, 360} << 1 << box << true << QByteArray("480x360")
            << QByteArray("600x450");
        QTest::newRow("large, high: the box")
            << "large.jpg" << TDimensions{3200, 2400} << 1 << box << true << QByteArray("800x600")
            << QByteArray("600x450");
        // Upright it is 600 × 800 and fits as 150 × 200: a quarter is enough. Fitted as stored,
        // it would ask for 267 × 200 and three eighths.
        QTest::newRow("turned, low: fitted upright")
            << "turned.jpg" << TDimensions{800, 600} << 6 << TDimensions{300, 200} << false
            << QByteArray("200x150") << QByteArray("150x200");
        QTest::newRow("not a JPEG") << "hd.png" << TDimensions{1920, 1080} << 1 << box << false
                                    << QByteArray("1920x1080") << QByteArray("600x338");
    }
    void decodesOnceAtTheScaleTheOutputsNeed() {
        QFETCH(QString, name);
        QFETCH(TDimensions, stored);
        QFETCH(int, orientation);
        QFETCH(TDimensions, box);
        QFETCH(bool, high);
        QFETCH(QByteArray, decoded);
        QFETCH(QByteArray, large);
        const QByteArray source = Make(name, stored.Width, stored.Height, orientation);
        const TPhotoOutputs made = MakePhotoOutputs(source, name.section(QLatin1Char('.'), -1),
                                                    vk_test::LargeOnlyPlan(box, high));
        QVERIFY(made.Decoded);
        QCOMPARE(Text(made.DecodedSize), decoded);
        QCOMPARE(made.Outputs.size(), std::size_t{1});
        QCOMPARE(Text(made.Outputs.front().Dimensions), large);
        QVERIFY(!made.Outputs.front().Bytes.isEmpty());
    }
};

VK_TEST_MAIN(QCoreApplication, TestPhotoOutputs)
#include "test_photo_outputs.moc"
