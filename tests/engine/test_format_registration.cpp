// The engine's formats in the picture machinery: which extensions, in which order, and what a
// picture load then gets.

#include <QTemporaryDir>
#include <QTest>

#include "engine/ImageMagickAPI.h"
#include "engine/MagickImage.h"
#include "engine/MagickRegistration.h"
#include "graphics/BuiltinFormats.h"
#include "graphics/Picture.h"
#include "platform/Errors.h"
#include "support/ImageFiles.h"
#include "support/Raises.h"
#include "support/TestMain.h"
#include "support/Tools.h"

namespace {

const QStringList kRegistered =
    QStringLiteral("art avs cgm cmyk cut dcm dcx dib fax fig fits fpx gif gplt gray hpgl html htm "
                   "jbig jng jp2 "
                   "jpc jpeg jpg man mat miff mono mpc msl mtv mvg otb p7 palm pbm pcd pcds pcl "
                   "pcx pdb pfa pfb "
                   "pgm picon pict pix png pnm ppm psd ptif pwp rad rgb rgba rla rle sct sfw sgi "
                   "shtml sun svg "
                   "tga tiff tif tim ttf txt uil uyvy vicar viff wbmp wpg xbm xcf xpm yuv")
        .split(QLatin1Char(' '));

QString ClassOf(const TPicture& picture) {
    return picture.GetGraphic() != nullptr ? picture.GetGraphic()->ClassName() : QString();
}

} // namespace

class TestFormatRegistration : public QObject {
    Q_OBJECT

private:
    QTemporaryDir Folder;

private slots:
    void cleanup() {
        ShutDownImageMagickAPI();
        SetMagickLibraryFileName(DefaultMagickLibraryFileName());
    }

    void registersTheEightyFormatsInOrderAfterTheBuiltIns() {
        TPictureRegistry registry;
        RegisterBuiltinFormats(registry);
        RegisterMagickFormats(registry);
        QVERIFY(MagickLoaded);
        QStringList expected{QStringLiteral("bmp"), QStringLiteral("ico"), QStringLiteral("wmf"),
                             QStringLiteral("emf")};
        expected += kRegistered; // jpg and jpeg move to their engine place: the latest wins
        QCOMPARE(kRegistered.size(), 80);
        QCOMPARE(registry.Extensions(), expected);
        const QString filter = registry.GraphicFilter();
        QVERIFY(filter.startsWith(
            QStringLiteral("Imagick Format (*.yuv)|*.yuv|Imagick Format (*.xpm)|*.xpm|")));
        QVERIFY(filter.contains(QStringLiteral("Imagick Format (*.gif)|*.gif")));
        QVERIFY(filter.size() < 3998);
        for (const char* skipped : {"pdf", "eps", "ps", "mng", "avi", "mpg", "dpx"})
            QVERIFY2(!registry.FindFileFormat(QString::fromLatin1(skipped)), skipped);
    }

    // The newer formats come after the table's, whose rows keep their order, and their files
    // load through the picture machinery like the table's.
    void theNewerFormatsFollowTheTable() {
        TPictureRegistry registry;
        RegisterBuiltinFormats(registry);
        RegisterMagickFormats(registry);
        RegisterNewerMagickFormats(registry);
        const QStringList extensions = registry.Extensions();
        QCOMPARE(extensions.mid(4, 80), kRegistered);
        QCOMPARE(extensions.mid(84), QStringList({"heic", "heif", "avif", "webp", "jxl"}));
        QVERIFY(
            registry.GraphicFilter().startsWith(QStringLiteral("Imagick Format (*.jxl)|*.jxl|")));
        QVERIFY(registry.GraphicFilter().size() < 3998);

        const QString png = Folder.filePath(QStringLiteral("phone.png"));
        QVERIFY(vk_test::WriteImage(png, 12, 9, "PNG"));
        TPicture picture(registry);
        for (const char* format : {"heic", "avif", "webp"}) {
            const QString path = Folder.filePath(QStringLiteral("phone.%1").arg(format).toUpper());
            QVERIFY(vk_test::Convert(png, {}, QLatin1String(format) + QLatin1Char(':') + path));
            picture.LoadFromFile(path);
            QCOMPARE(ClassOf(picture), QStringLiteral("TMagickImage"));
            QCOMPARE(picture.GetWidth(), 12);
        }
    }

    void picturesOfEngineFormatsGetTheEngineClass() {
        TPictureRegistry registry;
        RegisterBuiltinFormats(registry);
        RegisterMagickFormats(registry);
        const QString gif = Folder.filePath(QStringLiteral("UPPER.GIF"));
        QVERIFY(vk_test::WriteAnimatedGif(gif, 2, 10, 8));
        const QString jpeg = Folder.filePath(QStringLiteral("photo.jpeg"));
        QVERIFY(vk_test::WriteImage(jpeg, 12, 9, "JPEG"));
        const QString bmp = Folder.filePath(QStringLiteral("plain.bmp"));
        QVERIFY(vk_test::WriteImage(bmp, 12, 9, "BMP"));
        TPicture picture(registry);
        picture.LoadFromFile(gif);
        QCOMPARE(ClassOf(picture), QStringLiteral("TMagickImage"));
        QCOMPARE(picture.GetWidth(), 10);
        picture.LoadFromFile(jpeg);
        QCOMPARE(ClassOf(picture), QStringLiteral("TMagickImage"));
        QCOMPARE(picture.GetHeight(), 9);
        picture.LoadFromFile(bmp);
        QVERIFY(ClassOf(picture) != QStringLiteral("TMagickImage"));
        QCOMPARE(picture.GetWidth(), 12);
        QCOMPARE(vk_test::RaisedText<std::exception>(
                     [&] { picture.LoadFromFile(Folder.filePath(QStringLiteral("doc.pdf"))); }),
                 QStringLiteral("Unknown picture file extension (.pdf)"));
    }

    void withoutTheEngineTheFormatsAreRegisteredButCannotLoad() {
        SetMagickLibraryFileName("libvellumkite-absent.so.6");
        TPictureRegistry registry;
        RegisterBuiltinFormats(registry);
        RegisterMagickFormats(registry);
        QVERIFY(!MagickLoaded);
        QCOMPARE(registry.Extensions().size(), 84);
        const QString gif = Folder.filePath(QStringLiteral("any.gif"));
        QVERIFY(vk_test::WriteBytes(gif, "GIF89a"));
        TPicture picture(registry);
        QCOMPARE(vk_test::RaisedText<std::exception>([&] { picture.LoadFromFile(gif); }),
                 QStringLiteral("ImageMagick library not loaded"));
    }

    void afterTheEngineModuleStopsNoObjectCanBeMade() {
        {
            const TEngineModule module;
            QVERIFY(MagickLoaded);
            const TMagickImage image;
        }
        QVERIFY(!MagickLoaded);
        QCOMPARE(vk_test::RaisedText<std::exception>([] { TMagickImage image; }),
                 QStringLiteral("ImageMagick library not loaded"));
        // A flag left set does not outweigh the binding's own word.
        MagickLoaded = true;
        const QString error = vk_test::RaisedText<std::exception>([] { TMagickImage image; });
        MagickLoaded = false;
        QCOMPARE(error, QStringLiteral("ImageMagick library not loaded"));
    }

    void anOverlongFilterStopsTheRegistrationWhereItIs() {
        TPictureRegistry registry;
        const QString wordy(1000, QLatin1Char('w'));
        for (const char* extension : {"aa", "bb", "cc"})
            registry.RegisterFileFormat(QString::fromLatin1(extension), wordy,
                                        MakeGraphic<TMagickImage>);
        // Three long entries fill about 3000 characters; a few rows later the limit is crossed.
        QCOMPARE(vk_test::RaisedText<std::exception>([&] { RegisterMagickFormats(registry); }),
                 QStringLiteral("Not all ImageMagick formats can be previewed"));
        const QStringList extensions = registry.Extensions();
        QVERIFY(extensions.size() > 3 && extensions.size() < 3 + 80);
        QCOMPARE(extensions.mid(3), kRegistered.mid(0, extensions.size() - 3));
    }
};

VK_TEST_MAIN(QCoreApplication, TestFormatRegistration)
#include "test_format_registration.moc"
