// What the terminal is given of a line: text as it is, control bytes and bytes that are not
// UTF-8 escaped, so that no file name can command the terminal.

#include <QTest>

#include "cli/TerminalText.h"
#include "platform/FileNames.h"
#include "support/TestMain.h"

class TestTerminalText : public QObject {
    Q_OBJECT

private slots:
    void escapedOrKept_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("plain") << QByteArray("/photos/IMG 0001 (2).jpg")
                               << QByteArray("/photos/IMG 0001 (2).jpg");
        QTest::newRow("UTF-8 text") << QByteArray("caf\xc3\xa9 \xe6\x97\xa5 \xf0\x9f\x93\xb7.jpg")
                                    << QByteArray("caf\xc3\xa9 \xe6\x97\xa5 \xf0\x9f\x93\xb7.jpg");
        QTest::newRow("title and clear screen") << QByteArray("a\x1b]0;PWNED\x07\x1b[2Jb.jpg")
                                                << QByteArray("a\\x1b]0;PWNED\\x07\\x1b[2Jb.jpg");
        QTest::newRow("line breaks, tab, delete")
            << QByteArray("a\nb\rc\td\x7f") << QByteArray("a\\x0ab\\x0dc\\x09d\\x7f");
        QTest::newRow("C1 control sequence introducer") << QByteArray("a\xc2\x9b"
                                                                      "2Jb")
                                                        << QByteArray("a\\xc2\\x9b"
                                                                      "2Jb");
        QTest::newRow("not UTF-8")
            << QByteArray("caf\xe9\xff.jpg") << QByteArray("caf\\xe9\\xff.jpg");
        QTest::newRow("backslash") << QByteArray("a\\x1b.jpg") << QByteArray("a\\\\x1b.jpg");
    }
    void escapedOrKept() {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, shown);
        QCOMPARE(TerminalText(DecodeFileName(name)), shown);
    }
};

VK_TEST_MAIN(QCoreApplication, TestTerminalText)
#include "test_terminal_text.moc"
