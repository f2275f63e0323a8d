// A listed file's texts: how a path splits into them and comes back, the row icon, the size
// text and the comparison the sort uses.

#include <QTest>

#include "app/FileListEntry.h"
#include "platform/FileNames.h"
#include "support/TestMain.h"

class TestFileListEntry : public QObject {
    Q_OBJECT

private slots:
    void pathsSplitAndComeBack_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("fileType");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("icon");
        QTest::newRow("last dot only")
            << QStringLiteral("/p/holiday.2004.jpg") << QStringLiteral("holiday.2004")
            << QStringLiteral("jpg") << QStringLiteral("/p/") << 1;
        QTest::newRow("upper case kept, plain icon")
            << QStringLiteral("/p/photo.JPG") << QStringLiteral("photo") << QStringLiteral("JPG")
            << QStringLiteral("/p/") << 5;
        QTest::newRow("jpeg") << QStringLiteral("/p/photo.jpeg") << QStringLiteral("photo")
                              << QStringLiteral("jpeg") << QStringLiteral("/p/") << 1;
        QTest::newRow("no extension") << QStringLiteral("/p/README") << QStringLiteral("README")
                                      << QString() << QStringLiteral("/p/") << 5;
        QTest::newRow("dot in the folder only")
            << QStringLiteral("/p.d/README") << QStringLiteral("README") << QString()
            << QStringLiteral("/p.d/") << 5;
        QTest::newRow("name ends in a dot")
            << QStringLiteral("/p/notes.") << QStringLiteral("notes.") << QString()
            << QStringLiteral("/p/") << 5;
        QTest::newRow("hidden") << QStringLiteral("/p/.png") << QString() << QStringLiteral("png")
                                << QStringLiteral("/p/") << 2;
        QTest::newRow("colon is a plain character")
            << QStringLiteral("/p/c:x.tif") << QStringLiteral("c:x") << QStringLiteral("tif")
            << QStringLiteral("/p/") << 4;
        QTest::newRow("not utf-8")
            << DecodeFileName("/p\xe9/caf\xe9.gif") << DecodeFileName("caf\xe9")
            << QStringLiteral("gif") << DecodeFileName("/p\xe9/") << 3;
    }
    void pathsSplitAndComeBack() {
        QFETCH(QString, path);
        QFETCH(QString, fileName);
        QFETCH(QString, fileType);
        QFETCH(QString, folder);
        QFETCH(int, icon);
        const FileListEntry entry = EntryForPath(path, 2048);
        QCOMPARE(entry.FileName, fileName);
        QCOMPARE(entry.FileType, fileType);
        QCOMPARE(entry.Folder, folder);
        QCOMPARE(entry.IconIndex, icon);
        QCOMPARE(entry.SizeText, QStringLiteral("2048  B"));
        QCOMPARE(EntryFullPath(entry), path);
        QCOMPARE(EncodeFileName(EntryFullPath(entry)), EncodeFileName(path));
    }

    void iconsMatchExactly() {
        const QList<QPair<QString, int>> cases = {
            {".bmp", 0}, {".jpg", 1},  {".jpeg", 1}, {".png", 2}, {".gif", 3},
            {".tif", 4}, {".tiff", 4}, {".BMP", 5},  {".Png", 5}, {"bmp", 5},
            {"", 5},     {".jpg ", 5}, {".pcx", 5},
        };
        for (const auto& [extension, index] : cases)
            QVERIFY2(IconIndexForExtension(extension) == index, qPrintable(extension));
    }

    void sizesPastFourGigabytes() {
        const qint64 big = 5'000'000'000LL;
        QCOMPARE(SizeText(big), QStringLiteral("5000000000  B"));
        QCOMPARE(SizeFromText(SizeText(big)), big);
        QCOMPARE(SizeFromText(SizeText(0)), 0);
        QCOMPARE(SizeFromText(QString()), 0);
    }

    void compareTextFoldsAsciiOnly() {
        const auto sign = [](int Value) { return Value > 0 ? 1 : Value < 0 ? -1 : 0; };
        QCOMPARE(CompareText("Beach", "bEACH"), 0);
        QCOMPARE(sign(CompareText("a", "B")), -1);
        QCOMPARE(sign(CompareText("b", "A")), 1);
        // Upper-case folding puts "_" (0x5F) after the letters, as the folded bytes say.
        QCOMPARE(sign(CompareText("a_", "aZ")), 1);
        QCOMPARE(sign(CompareText("ab", "abc")), -1);
        QCOMPARE(sign(CompareText("abc", "ab")), 1);
        QCOMPARE(CompareText("", ""), 0);
        // Accented letters are not folded and compare by their bytes, above every ASCII one.
        QVERIFY(CompareText("\xc3\xa9", "\xc3\x89") != 0);
        QCOMPARE(sign(CompareText("\xc3\xa9", "z")), 1);
        QCOMPARE(sign(CompareText("\xe9", "\x7f")), 1);
    }
};

VK_TEST_MAIN(QCoreApplication, TestFileListEntry)
#include "test_file_list_entry.moc"
