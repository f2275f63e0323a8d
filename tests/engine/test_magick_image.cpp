// The engine graphic class on real files: reading, frames, size changes, writing and copies.

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include "engine/ImageMagickAPI.h"
#include "engine/MagickImage.h"
#include "platform/Errors.h"
#include "support/FileSystems.h"
#include "support/ImageFiles.h"
#include "support/Raises.h"
#include "support/TestMain.h"

using vk_test::ReadBytes;
using vk_test::WriteImage;

class TestMagickImage : public QObject {
    Q_OBJECT

private:
    QTemporaryDir Folder;
    QString Png, Jpeg, Gif;

    QString Path(const QString& name) const { return Folder.filePath(name); }

private slots:
    void initTestCase() {
        MagickLoaded = LoadImageMagick("");
        QVERIFY(MagickLoaded);
        Png = Path(QStringLiteral("corners.png"));
        Jpeg = Path(QStringLiteral("photo.jpg"));
        Gif = Path(QStringLiteral("three.gif"));
        QVERIFY(WriteImage(Png, 64, 48, "PNG"));
        QVERIFY(WriteImage(Jpeg, 80, 60, "JPEG"));
        QVERIFY(vk_test::WriteAnimatedGif(Gif, 3, 30, 20));
    }

    void cleanupTestCase() {
        UnloadImageMagick();
        ShutDownImageMagickAPI();
    }

    void creatingWithoutTheEngineFails() {
        MagickLoaded = false;
        const QString error = vk_test::RaisedText<std::exception>([] { TMagickImage image; });
        MagickLoaded = true;
        QCOMPARE(error, QStringLiteral("ImageMagick library not loaded"));
    }

    void readsFilesAndMeasuresTheFirstFrame() {
        TMagickImage image;
        QVERIFY(image.GetEmpty());
        image.LoadFromFile(Png);
        QCOMPARE(image.GetWidth(), 64);
        QCOMPARE(image.GetHeight(), 48);
        QVERIFY(!image.GetEmpty());
        image.LoadFromFile(Jpeg); // releases the list it held
        QCOMPARE(image.GetWidth(), 80);
        QCOMPARE(image.GetFrameCount(), 1);
        // The format chosen for writing does not choose the decoder.
        image.SetFormat(QStringLiteral("jpg"));
        image.LoadFromFile(Png);
        QCOMPARE(image.GetWidth(), 64);
        QByteArray bytes = ReadBytes(Gif);
        QBuffer stream(&bytes);
        stream.open(QIODevice::ReadOnly);
        image.LoadFromStream(stream);
        QCOMPARE(image.GetFrameCount(), 3);
    }

    void unreadableFilesLeaveTheObjectEmpty_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("name");
        QTest::newRow("text named jpg") << QByteArray("just some words\n") << "words.jpg";
        QTest::newRow("empty") << QByteArray() << "empty.png";
        QTest::newRow("binary junk") << QByteArray(5000, '\x7f') << "junk.gif";
        QTest::newRow("missing") << QByteArray() << "";
        QTest::newRow("first bytes of a jpeg") << ReadBytes(Jpeg).left(300) << "cut.jpg";
    }
    void unreadableFilesLeaveTheObjectEmpty() {
        QFETCH(QByteArray, content);
        QFETCH(QString, name);
        QString path = Path(QStringLiteral("never-made.jpg"));
        if (!name.isEmpty()) {
            path = Path(name);
            QVERIFY(vk_test::WriteBytes(path, content));
        }
        TMagickImage image;
        image.LoadFromFile(Png);
        image.LoadFromFile(path);
        QVERIFY(image.GetEmpty());
        QCOMPARE(image.GetFrameCount(), 0); // no frame of 0 x 0 either
        QCOMPARE(image.GetWidth(), 0);
        QCOMPARE(image.GetHeight(), 0);
    }

    void namesAreTakenLiterally_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("percent") << "lit%d.png";
        QTest::newRow("frame syntax") << "x[0-1].png";
        QTest::newRow("blank") << "a b.png";
        QTest::newRow("format prefix") << "gif:odd.png";
        QTest::newRow("indirect") << "@list.png";
        QTest::newRow("non-ascii") << "fête été.png";
    }
    void namesAreTakenLiterally() {
        QFETCH(QString, name);
        QTemporaryDir folder;
        const QString source = folder.filePath(name);
        QVERIFY(QFile::copy(Png, source));
        TMagickImage image;
        image.LoadFromFile(source);
        QCOMPARE(image.GetWidth(), 64);
        const QString output = folder.filePath(QStringLiteral("out-") + name);
        image.SaveToFile(output);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 2);
        QVERIFY(ReadBytes(output).startsWith("\x89PNG"));
    }

    void aNameLongerThanTheEngineHoldsIsRefused() {
        // The engine's name fields hold 4095 bytes; nothing is cut to fit.
        QString name = Folder.path();
        while (QFile::encodeName(name).size() < 4100)
            name += QStringLiteral("/") + QString(200, QLatin1Char('d'));
        TMagickImage image;
        image.LoadFromFile(Png);
        image.LoadFromFile(name + QStringLiteral("/x.png"));
        QVERIFY(image.GetEmpty());
    }

    void streamsDecodeFromThePositionAndRefuseAnEmptyRest() {
        QByteArray bytes = "xx" + ReadBytes(Png);
        QBuffer stream(&bytes);
        stream.open(QIODevice::ReadOnly);
        stream.seek(2);
        TMagickImage image;
        image.LoadFromStream(stream);
        QCOMPARE(image.GetWidth(), 64);
        QCOMPARE(stream.pos(), qint64{2});
        stream.seek(bytes.size());
        QCOMPARE(vk_test::RaisedText<std::exception>([&] { image.LoadFromStream(stream); }),
                 QStringLiteral("Stream size must be defined."));
    }

    void framesOfAnAnimationAndAfterAResize() {
        TMagickImage image;
        image.LoadFromFile(Gif);
        QCOMPARE(image.GetFrameCount(), 3);
        QVERIFY(image.GetFrame(0) != nullptr);
        QVERIFY(image.GetFrame(2) != nullptr);
        QCOMPARE(image.GetFrame(-1), nullptr);
        QCOMPARE(image.GetFrame(3), nullptr);
        image.Resize(15, 10, rmSample, mfLanczos, 1.0);
        QCOMPARE(image.GetFrameCount(), 1);
        QCOMPARE(image.GetWidth(), 15);
    }

    void everyResizeMethod_data() {
        QTest::addColumn<int>("method");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("magnify") << int(rmMagnify) << 128 << 96;
        QTest::newRow("minify") << int(rmMinify) << 32 << 24;
        QTest::newRow("resize") << int(rmResize) << 21 << 17;
        QTest::newRow("sample") << int(rmSample) << 21 << 17;
        QTest::newRow("scale") << int(rmScale) << 21 << 17;
        QTest::newRow("thumbnail") << int(rmThumbnail) << 21 << 17;
        QTest::newRow("unknown method empties") << 6 << 0 << 0;
    }
    void everyResizeMethod() {
        QFETCH(int, method);
        QFETCH(int, width);
        QFETCH(int, height);
        TMagickImage image;
        image.LoadFromFile(Png);
        image.Resize(21, 17, static_cast<TResizeMethod>(method), mfLanczos, 1.0);
        QCOMPARE(image.GetWidth(), width);
        QCOMPARE(image.GetHeight(), height);
        QCOMPARE(image.GetFrameCount(), width == 0 ? 0 : 1);
    }

    void resizingNothingStaysEmpty() {
        TMagickImage image;
        image.Resize(10, 10, rmResize, mfLanczos, 1.0);
        QVERIFY(image.GetEmpty());
        image.LoadFromFile(Png);
        image.Resize(0, 0, rmResize, mfLanczos, 1.0);
        QVERIFY(image.GetEmpty());
    }

    void lanczosGivesTheFilteredResult() {
        // A filtered downscale of hard corners mixes colours; plain sampling does not.
        TMagickImage filtered;
        filtered.LoadFromFile(Png);
        filtered.Resize(16, 12, rmResize, mfLanczos, 1.0);
        TMagickImage sampled;
        sampled.LoadFromFile(Png);
        sampled.Resize(16, 12, rmSample, mfLanczos, 1.0);
        QImage a, b;
        filtered.AssignTo(a);
        sampled.AssignTo(b);
        QVERIFY(a.pixelColor(0, 0) != QColor(Qt::red));
        QVERIFY(a.pixelColor(0, 0).red() > a.pixelColor(0, 0).blue());
        // Sampling takes each output pixel's centre, which misses the one red source pixel.
        QCOMPARE(b.pixelColor(0, 0), QColor(Qt::gray));
    }

    void filtersKeepTheSizeAndEmptyObjectsSurviveThem() {
        TMagickImage image;
        image.LoadFromFile(Jpeg);
        image.Blur(2.0, 1.0);
        image.Despeckle();
        image.Edge(1.0);
        QCOMPARE(image.GetWidth(), 80);
        QCOMPARE(image.GetFrameCount(), 1);
        TMagickImage animation;
        animation.LoadFromFile(Gif);
        animation.Blur(1.0, 0.5);
        QCOMPARE(animation.GetFrameCount(), 3);
        TMagickImage empty;
        empty.Blur(1.0, 1.0);
        empty.Edge(1.0);
        QVERIFY(empty.GetEmpty());
    }

    void formatAndQualitySettings() {
        TMagickImage image;
        image.SetFormat(QStringLiteral("jpg"));
        QCOMPARE(image.GetFormat(), QStringLiteral("JPG"));
        image.SetFormat(QStringLiteral(".jpg"));
        QCOMPARE(image.GetFormat(), QStringLiteral("JPG"));
        image.SetFormat(QStringLiteral("..png"));
        QCOMPARE(image.GetFormat(), QStringLiteral(".PNG"));
        image.SetQuality(85);
        QCOMPARE(image.GetQuality(), 85);
        image.Clear();
        QCOMPARE(image.GetQuality(), 0);
        QCOMPARE(image.GetFormat(), QString());
    }

    void writesTheChosenFormatAndQualityOfTheCurrentFrameAlone() {
        QTemporaryDir folder;
        TMagickImage image;
        image.LoadFromFile(Gif);
        image.SetFormat(QStringLiteral("jpg"));
        image.SetQuality(40);
        const QString output = folder.filePath(QStringLiteral("frames.png"));
        image.SaveToFile(output);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files),
                 QStringList{QStringLiteral("frames.png")});
        QVERIFY(ReadBytes(output).startsWith("\xff\xd8"));
        TMagickImage back;
        back.LoadFromFile(output);
        QCOMPARE(back.GetFrameCount(), 1);
        QCOMPARE(back.GetFrame(0)->quality, size_t{40});
        // The same settings reach a stream.
        QByteArray bytes;
        QBuffer stream(&bytes);
        stream.open(QIODevice::WriteOnly);
        image.SaveToStream(stream);
        QVERIFY(bytes.startsWith("\xff\xd8"));
        // The animation itself is untouched by writing one frame.
        QCOMPARE(image.GetFrameCount(), 3);
    }

    void withoutAFormatTheNameDecides() {
        QTemporaryDir folder;
        TMagickImage image;
        image.LoadFromFile(Jpeg);
        image.SaveToFile(folder.filePath(QStringLiteral("out.png")));
        QVERIFY(ReadBytes(folder.filePath(QStringLiteral("out.png"))).startsWith("\x89PNG"));
        image.SaveToFile(folder.filePath(QStringLiteral("noextension")));
        QVERIFY(ReadBytes(folder.filePath(QStringLiteral("noextension"))).startsWith("\xff\xd8"));
    }

    void aFailedWriteLeavesNoFile() {
        QTemporaryDir folder;
        TMagickImage image;
        image.LoadFromFile(Png);
        image.SetFormat(QStringLiteral("jpg"));
        const QString target = folder.filePath(QStringLiteral("missing/out.jpg"));
        image.SaveToFile(target);
        QVERIFY(!QFile::exists(target));
        image.SaveToFile(folder.filePath(QStringLiteral("ok.jpg")));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("ok.jpg")});
        TMagickImage empty;
        empty.SaveToFile(folder.filePath(QStringLiteral("empty.jpg")));
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("empty.jpg"))));
    }

    void aWriteReplacesALinkAndLeavesNothingWhenTheDiskIsFull() {
        QTemporaryDir outside, folder;
        const QString victim = outside.filePath(QStringLiteral("victim"));
        QVERIFY(WriteImage(victim, 4, 4, "PNG"));
        const QByteArray before = ReadBytes(victim);
        const QString output = folder.filePath(QStringLiteral("Large_x.jpg"));
        QVERIFY(QFile::link(victim, output));
        TMagickImage image;
        image.LoadFromFile(Png);
        image.SaveToFile(output);
        QCOMPARE(ReadBytes(victim), before);
        QVERIFY(!QFileInfo(output).isSymLink());
        QVERIFY(ReadBytes(output).startsWith("\xff\xd8"));

        VK_SMALL_DISK(disk, 64);
        QVERIFY(disk.Fill(0));
        image.SaveToFile(disk.Path() + QStringLiteral("/Large_x.jpg"));
        QCOMPARE(QDir(disk.Path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("filler")});
    }

    void bitmapRoundTripKeepsPixelsAndChannelOrder() {
        const QImage source = vk_test::CornerImage(7, 5);
        TMagickImage image;
        image.Assign(source);
        QCOMPARE(image.GetWidth(), 7);
        QImage copy;
        image.AssignTo(copy);
        QCOMPARE(copy.format(), QImage::Format_BGR888);
        const uchar* top = copy.constScanLine(0);
        QCOMPARE(top[0], uchar{0});   // blue
        QCOMPARE(top[2], uchar{255}); // red
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                QCOMPARE(copy.pixelColor(x, y), source.pixelColor(x, y));
    }

    void copiesBetweenObjectsAndFromEmptyOnes() {
        TMagickImage source;
        source.LoadFromFile(Png);
        TMagickImage copy;
        copy.Assign(source);
        QCOMPARE(copy.GetWidth(), 64);
        TMagickImage empty;
        QCOMPARE(vk_test::RaisedText<std::exception>([&] { copy.Assign(empty); }),
                 QStringLiteral("Stream size must be defined."));
        QImage bitmap(3, 3, QImage::Format_RGB32);
        empty.AssignTo(bitmap);
        QVERIFY(bitmap.isNull());
    }

    void drawingStretchesIntoTheRectAndEmptyDrawsNothing() {
        QImage canvas(40, 30, QImage::Format_RGB32);
        canvas.fill(Qt::black);
        {
            QPainter painter(&canvas);
            TMagickImage empty;
            empty.Draw(painter, QRect(0, 0, 40, 30));
        }
        QCOMPARE(canvas.pixelColor(20, 15), QColor(Qt::black));
        {
            QPainter painter(&canvas);
            TMagickImage image;
            image.Assign(vk_test::CornerImage(4, 4));
            image.Draw(painter, QRect(0, 0, 40, 30));
        }
        QCOMPARE(canvas.pixelColor(0, 0), QColor(Qt::red));
        QCOMPARE(canvas.pixelColor(39, 29), QColor(Qt::white));
    }

    void clipboardRoundTrip() {
        TMagickImage image;
        image.Assign(vk_test::CornerImage(6, 4));
        QClipboard* clipboard = QGuiApplication::clipboard();
        image.SaveToClipboardFormat(*clipboard);
        TMagickImage pasted;
        pasted.LoadFromClipboardFormat(*clipboard);
        QCOMPARE(pasted.GetWidth(), 6);
        QCOMPARE(pasted.GetHeight(), 4);
    }
};

VK_TEST_MAIN(QGuiApplication, TestMagickImage)
#include "test_magick_image.moc"
