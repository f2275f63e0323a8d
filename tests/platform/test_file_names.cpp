// File names as bytes: every name survives the trip to text and back, and the parts of a name
// are found the same way everywhere.

#include <QRandomGenerator>
#include <QTest>

#include "platform/FileNames.h"
#include "support/TestMain.h"

namespace {

// The text that stands for bytes that are not UTF-8.
QString Escapes(std::initializer_list<char16_t> Bytes) {
    QString text;
    for (const char16_t byte : Bytes)
        text += QChar(static_cast<char16_t>(0xDC00 + byte));
    return text;
}

} // namespace

class TestFileNames : public QObject {
    Q_OBJECT

private slots:
    void namesComeBackByteForByte_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii") << QByteArray("beach.PNG") << QStringLiteral("beach.PNG");
        QTest::newRow("utf-8") << QByteArray("caf\xc3\xa9 \xe2\x82\xac.jpg")
                               << QStringLiteral(u"café €.jpg");
        QTest::newRow("four bytes")
            << QByteArray("\xf0\x9f\x93\xb7.png") << QStringLiteral(u"📷.png");
        // Latin-1 and old code pages: each stray byte becomes its own escape.
        QTest::newRow("latin-1") << QByteArray("caf\xe9.jpg")
                                 << QStringLiteral(u"caf") + QChar(0xDCE9) + QStringLiteral(".jpg");
        QTest::newRow("overlong slash")
            << QByteArray("a\xc0\xaf") << QStringLiteral("a") + QChar(0xDCC0) + QChar(0xDCAF);
        QTest::newRow("encoded surrogate")
            << QByteArray("\xed\xa0\x80") << Escapes({0xED, 0xA0, 0x80});
        QTest::newRow("cut sequence")
            << QByteArray("x\xe2\x82") << QStringLiteral("x") + QChar(0xDCE2) + QChar(0xDC82);
        QTest::newRow("past U+10FFFF")
            << QByteArray("\xf4\x90\x80\x80") << Escapes({0xF4, 0x90, 0x80, 0x80});
    }
    void namesComeBackByteForByte() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(DecodeFileName(bytes), text);
        QCOMPARE(EncodeFileName(text), bytes);
    }

    void randomBytesSurviveTheRoundTrip() {
        QRandomGenerator random(20261208);
        for (int round = 0; round < 2000; ++round) {
            QByteArray bytes(static_cast<qsizetype>(random.bounded(1, 24)), '\0');
            for (char& byte : bytes)
                byte = static_cast<char>(random.bounded(1, 256));
            QCOMPARE(EncodeFileName(DecodeFileName(bytes)), bytes);
        }
    }

    void aCharacterMadeOfAPairIsNoEscape() {
        // U+1F4DC ends in the low surrogate DCDC, which is also an escape when it stands alone.
        const QString scroll = QString::fromUcs4(U"\U0001F4DC");
        QCOMPARE(scroll.at(1).unicode(), char16_t{0xDCDC});
        QCOMPARE(EncodeFileName(scroll), QByteArray("\xf0\x9f\x93\x9c"));
    }

    void partsOfAName() {
        QCOMPARE(FileNamePart(QStringLiteral("/photos/trip.2024/beach.PNG")),
                 QStringLiteral("beach.PNG"));
        QCOMPARE(FileExtension(QStringLiteral("/photos/trip.2024/beach.PNG")),
                 QStringLiteral("PNG"));
        QCOMPARE(FileExtension(QStringLiteral("/photos/trip.2024/scan")), QString());
        QCOMPARE(FileNameWithoutExtension(QStringLiteral("/a/holiday.photo.tiff")),
                 QStringLiteral("holiday.photo"));
        QCOMPARE(FileNameWithoutExtension(QStringLiteral("/a.b/scan")), QStringLiteral("scan"));
        QCOMPARE(FileNameWithoutExtension(QStringLiteral("/a/bare.")), QStringLiteral("bare"));
    }
};

VK_TEST_MAIN(QCoreApplication, TestFileNames)
#include "test_file_names.moc"
