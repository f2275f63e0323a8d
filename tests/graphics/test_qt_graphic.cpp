// The built-in graphic classes over Qt's image plugins, and the metafile class that refuses.

#include <memory>

#include <sys/stat.h>

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include "graphics/Metafile.h"
#include "graphics/QtGraphic.h"
#include "platform/Errors.h"
#include "support/Raises.h"
#include "support/TestMain.h"

namespace {

using vk_test::RaisedText;

std::unique_ptr<TQtGraphic> Make(const QString& Extension) {
    if (Extension == QStringLiteral("bmp"))
        return std::make_unique<TBitmap>();
    if (Extension == QStringLiteral("ico"))
        return std::make_unique<TIcon>();
    return std::make_unique<TJPEGImage>();
}

// Four 16 x 16 blocks of one colour each, so that JPEG keeps them nearly exact.
QImage Quadrants() {
    QImage Image(32, 32, QImage::Format_RGB32);
    QPainter Painter(&Image);
    Painter.fillRect(0, 0, 16, 16, QColor(200, 30, 30));
    Painter.fillRect(16, 0, 16, 16, QColor(30, 200, 30));
    Painter.fillRect(0, 16, 16, 16, QColor(30, 30, 200));
    Painter.fillRect(16, 16, 16, 16, QColor(240, 240, 240));
    return Image;
}

void CompareQuadrants(const TQtGraphic& Graphic) {
    QCOMPARE(QSize(Graphic.GetWidth(), Graphic.GetHeight()), QSize(32, 32));
    const QImage Expected = Quadrants();
    for (const QPoint Point : {QPoint(8, 8), QPoint(24, 8), QPoint(8, 24), QPoint(24, 24)}) {
        const QColor Got = Graphic.GetImage().pixelColor(Point);
        const QColor Want = Expected.pixelColor(Point);
        QVERIFY2(qAbs(Got.red() - Want.red()) + qAbs(Got.green() - Want.green()) +
                         qAbs(Got.blue() - Want.blue()) <=
                     12,
                 qPrintable(Got.name()));
    }
}

QByteArray Encoded(const QString& Extension, const QImage& Image) {
    QByteArray Bytes;
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::WriteOnly);
    auto Graphic = Make(Extension);
    Graphic->Assign(Image);
    Graphic->SaveToStream(Buffer);
    return Bytes;
}

} // namespace

class QtGraphicTest : public QObject {
    Q_OBJECT

private slots:
    void roundTrips_data() {
        QTest::addColumn<QString>("Extension");
        QTest::newRow("bitmap") << "bmp";
        QTest::newRow("icon") << "ico";
        QTest::newRow("jpeg") << "jpg";
    }
    void roundTrips() {
        QFETCH(QString, Extension);
        QTemporaryDir Dir;
        // A name the engine would expand or parse is only a name here.
        const QString Path = Dir.filePath(QStringLiteral("lit%d [0] ü.") + Extension);
        auto Source = Make(Extension);
        Source->Assign(Quadrants());
        Source->SaveToFile(Path);
        auto FromFile = Make(Extension);
        FromFile->LoadFromFile(Path);
        CompareQuadrants(*FromFile);

        // Streams: appended after what is there, read from the position on.
        QByteArray Bytes("head");
        QBuffer Buffer(&Bytes);
        Buffer.open(QIODevice::ReadWrite | QIODevice::Append);
        Source->SaveToStream(Buffer);
        QVERIFY(Bytes.startsWith("head") && Bytes.size() > 100);
        Buffer.seek(4);
        auto FromStream = Make(Extension);
        FromStream->LoadFromStream(Buffer);
        CompareQuadrants(*FromStream);
    }

    void badInputLeavesTheGraphicEmpty_data() {
        QTest::addColumn<QString>("Extension");
        QTest::addColumn<QString>("Kind");
        for (const char* Extension : {"bmp", "ico", "jpg"}) {
            for (const char* Kind : {"missing", "empty", "garbage", "first half", "all but 2 bytes",
                                     "other format", "folder", "pipe"})
                QTest::addRow("%s %s", Extension, Kind) << Extension << Kind;
        }
    }
    void badInputLeavesTheGraphicEmpty() {
        QFETCH(QString, Extension);
        QFETCH(QString, Kind);
        QTemporaryDir Dir;
        const QString Path = Dir.filePath(QStringLiteral("bad.") + Extension);
        const QByteArray Good = Encoded(Extension, Quadrants());
        QByteArray Bytes;
        if (Kind == "garbage")
            Bytes = QByteArray(5000, 'x');
        else if (Kind == "first half")
            Bytes = Good.left(Good.size() / 2);
        else if (Kind == "all but 2 bytes")
            Bytes = Good.chopped(2);
        else if (Kind == "other format")
            Bytes = Encoded(Extension == "jpg" ? "bmp" : "jpg", Quadrants());
        if (Kind == "folder")
            QVERIFY(QDir().mkdir(Path));
        else if (Kind == "pipe") // opening it for reading would wait for a writer for ever
            QCOMPARE(::mkfifo(QFile::encodeName(Path).constData(), 0600), 0);
        else if (Kind != "missing") {
            QFile File(Path);
            QVERIFY(File.open(QIODevice::WriteOnly) && File.write(Bytes) == Bytes.size());
        }

        auto Graphic = Make(Extension);
        Graphic->Assign(Quadrants());
        Graphic->LoadFromFile(Path);
        QVERIFY(Graphic->GetEmpty());
        QCOMPARE(QSize(Graphic->GetWidth(), Graphic->GetHeight()), QSize(0, 0));

        Graphic->Assign(Quadrants());
        QBuffer Stream(&Bytes);
        Stream.open(QIODevice::ReadOnly);
        Graphic->LoadFromStream(Stream);
        QVERIFY(Graphic->GetEmpty());
    }

    void metafilesAreRefused() {
        TMetafile Metafile;
        QCOMPARE(RaisedText<EInvalidGraphic>([&] { Metafile.LoadFromFile("/p/a.wmf"); }),
                 "Cannot read metafile /p/a.wmf: Windows metafiles are not supported on this "
                 "system");
        QBuffer Stream;
        Stream.open(QIODevice::ReadWrite);
        QVERIFY_THROWS_EXCEPTION(EInvalidGraphic, Metafile.LoadFromStream(Stream));
        QVERIFY_THROWS_EXCEPTION(EInvalidGraphic, Metafile.SaveToFile("/p/a.emf"));
        QVERIFY(Metafile.GetEmpty());
    }

    void bitmapCopyIsBlueGreenRedWithoutTransparency() {
        QImage Source(2, 1, QImage::Format_ARGB32);
        Source.setPixel(0, 0, qRgba(10, 20, 30, 255));
        Source.setPixel(1, 0, qRgba(0, 0, 0, 0));
        TIcon Icon;
        Icon.Assign(Source);
        QVERIFY(Icon.GetImage().hasAlphaChannel()); // the icon itself keeps it
        QImage Copy;
        Icon.AssignTo(Copy);
        QCOMPARE(Copy.format(), QImage::Format_BGR888);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(Copy.constScanLine(0)), 6),
                 QByteArray("\x1e\x14\x0a\xff\xff\xff", 6));

        // Formats without transparency are written flattened onto white as well.
        TBitmap Bitmap;
        QTemporaryDir Dir;
        Icon.AssignTo(static_cast<TGraphic&>(Bitmap));
        Bitmap.SaveToFile(Dir.filePath("flat.bmp"));
        Bitmap.LoadFromFile(Dir.filePath("flat.bmp"));
        QCOMPARE(Bitmap.GetImage().pixel(1, 0), qRgb(255, 255, 255));

        TBitmap Empty;
        Empty.AssignTo(Copy);
        QVERIFY(Copy.isNull());
    }

    void failedSavesSayWhyAndKeepTheOldFile() {
        QTemporaryDir Dir;
        TBitmap Bitmap;
        Bitmap.Assign(Quadrants());
        const QString Missing = Dir.filePath("no such folder/a.bmp");
        QCOMPARE(RaisedText<Exception>([&] { Bitmap.SaveToFile(Missing); }),
                 "Cannot write " + Missing + ": No such file or directory");

        const QString Existing = Dir.filePath("old.bmp");
        Bitmap.SaveToFile(Existing);
        TBitmap Empty;
        QVERIFY_THROWS_EXCEPTION(Exception, Empty.SaveToFile(Existing));
        Bitmap.LoadFromFile(Existing);
        CompareQuadrants(Bitmap);

        QBuffer ReadOnly;
        ReadOnly.open(QIODevice::ReadOnly);
        QVERIFY_THROWS_EXCEPTION(Exception, Bitmap.SaveToStream(ReadOnly));
    }

    void baseClassRefusals() {
        TBitmap Bitmap;
        TMetafile Metafile;
        QCOMPARE(RaisedText<Exception>([&] { Bitmap.SetWidth(10); }),
                 "Abstract method called: TBitmap cannot change its size");
        QCOMPARE(RaisedText<Exception>([&] { Bitmap.Assign(Metafile); }),
                 "Cannot assign a TMetafile to a bitmap");
        QCOMPARE(
            RaisedText<Exception>([&] { Metafile.Assign(QImage(1, 1, QImage::Format_RGB32)); }),
            "Cannot assign a bitmap to a TMetafile");
        QCOMPARE(RaisedText<Exception>([&] { Metafile.AssignTo(static_cast<TGraphic&>(Bitmap)); }),
                 "Cannot assign a TMetafile to a TBitmap");
    }
};

VK_TEST_MAIN(QCoreApplication, QtGraphicTest)
#include "test_qt_graphic.moc"
