// Which files a folder scan takes for pictures, by their first bytes.

#include <QBuffer>
#include <QImage>
#include <QTest>

#include "batch/PictureSignature.h"
#include "support/TestMain.h"

namespace {

QByteArray Encoded(const char* Format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImage(8, 6, QImage::Format_RGB32).save(&buffer, Format);
    return bytes.left(kPictureSignatureBytes);
}

QByteArray Bytes(const char* Data, qsizetype Size) {
    return QByteArray(Data, Size);
}

// A Targa header: no colour map, true colour, 4 x 4 pixels of 24 bits.
QByteArray TargaHead() {
    QByteArray head(18, '\0');
    head[2] = 2;
    head[12] = 4;
    head[14] = 4;
    head[16] = 24;
    return head + QByteArray(48, '\x7F');
}

} // namespace

class TestPictureSignature : public QObject {
    Q_OBJECT

private slots:
    void recognised_data() {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<bool>("picture");
        QTest::newRow("JPEG") << Encoded("JPEG") << true;
        QTest::newRow("PNG") << Encoded("PNG") << true;
        QTest::newRow("BMP") << Encoded("BMP") << true;
        QTest::newRow("GIF") << QByteArray("GIF89a\x08\0\x06\0", 10) << true;
        QTest::newRow("TIFF, or a raw built on it") << Bytes("II*\0\x08\0\0\0", 8) << true;
        QTest::newRow("portable pixmap") << QByteArray("P6\n8 6\n255\n") << true;
        QTest::newRow("Targa, which has no signature") << TargaHead() << true;
        QTest::newRow("icon") << Bytes("\0\0\1\0\1\0\x10\x10", 8) << true;
        QTest::newRow("PCX") << Bytes("\x0A\x05\x01\x08\0\0\0\0", 8) << true;
        QTest::newRow("WebP") << QByteArray("RIFF\x24\0\0\0WEBPVP8 ", 16) << true;
        QTest::newRow("HEIC") << Bytes("\0\0\0\x18"
                                       "ftypheic\0\0\0\0mif1heic",
                                       24)
                              << true;
        QTest::newRow("HEIF by a compatible brand") << Bytes("\0\0\0\x1C"
                                                             "ftypXXXX\0\0\0\0isommif1miaf",
                                                             28)
                                                    << true;
        QTest::newRow("AVIF") << Bytes("\0\0\0\x1C"
                                       "ftypavif\0\0\0\0avifmif1miaf",
                                       28)
                              << true;
        QTest::newRow("HEIC of deeper samples (heix)") << Bytes("\0\0\0\x18"
                                                                "ftypheix\0\0\0\0mif1heix",
                                                                24)
                                                       << true;
        QTest::newRow("animated WebP") << QByteArray("RIFF\x3C\x01\0\0WEBPVP8X", 16) << true;
        QTest::newRow("JPEG XL") << Bytes("\0\0\0\x0CJXL \r\n\x87\n\0\0\0\x14", 16) << true;
        QTest::newRow("JPEG XL code stream") << Bytes("\xFF\x0A\xFA\x1F", 4) << true;
        QTest::newRow("DICOM") << QByteArray(128, '\0') + "DICM" << true;
        QTest::newRow("X bitmap") << QByteArray("#define dot_width 8\n#define dot_height 8\n")
                                  << true;

        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("text") << QByteArray("Holiday notes\nDay 1: beach\n") << false;
        QTest::newRow("text that starts like BMP")
            << QByteArray("BMW service on Monday\n") << false;
        QTest::newRow("text that starts like PNM") << QByteArray("P1ayer list\n") << false;
        QTest::newRow("C header") << QByteArray("#define FOO 1\n") << false;
        QTest::newRow("XMP sidecar")
            << QByteArray("<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?>\n<x:xmpmeta")
            << false;
        QTest::newRow(".DS_Store") << Bytes("\0\0\0\1"
                                            "Bud1\0\0\x10\0",
                                            12)
                                   << false;
        QTest::newRow("Thumbs.db") << Bytes("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) << false;
        QTest::newRow("MP4 film") << Bytes("\0\0\0\x20"
                                           "ftypisom\0\0\x02\0isomiso2avc1mp41",
                                           32)
                                  << false;
        QTest::newRow("QuickTime film") << Bytes("\0\0\0\x14"
                                                 "ftypqt  \0\0\0\0qt  ",
                                                 20)
                                        << false;
        QTest::newRow("AVI film") << QByteArray("RIFF\x24\0\0\0"
                                                "AVI LIST",
                                                16)
                                  << false;
        QTest::newRow("Matroska film") << Bytes("\x1A\x45\xDF\xA3\x01\0\0\0", 8) << false;
        QTest::newRow("PDF") << QByteArray("%PDF-1.7\n") << false;
        QTest::newRow("zip") << Bytes("PK\x03\x04\x14\0\0\0", 8) << false;
    }
    void recognised() {
        QFETCH(QByteArray, head);
        QFETCH(bool, picture);
        QCOMPARE(HasPictureSignature(head), picture);
    }
};

VK_TEST_MAIN(QCoreApplication, TestPictureSignature)
#include "test_picture_signature.moc"
