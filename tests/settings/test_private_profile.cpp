// The INI reader and writer: how names and values are found, and what a write leaves alone.

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "platform/PrivateProfile.h"
#include "support/TestMain.h"
#include "support/TextFiles.h"

namespace {

using vk_test::Contents;
using vk_test::Store;

const QString kDefault = QStringLiteral("DEFAULT");

} // namespace

class TestPrivateProfile : public QObject {
    Q_OBJECT

private:
    QTemporaryDir Folder;
    QString Ini() const { return Folder.filePath(QStringLiteral("profile.ini")); }

    QString Read(const QString& Section, const QString& Key, qsizetype MaxLength = 100000) {
        return PrivateProfile::ReadString(Ini(), Section, Key, kDefault, MaxLength);
    }

private slots:
    void init() { QFile::remove(Ini()); }

    void readsValues_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        QTest::newRow("ASCII case folded") << QByteArray("[oPTions]\njpg_Quality=80\n") << "Options"
                                           << "JPG_QUALITY"
                                           << "80";
        QTest::newRow("other letters exact") << QByteArray("[Sécurité]\nK=1\n") << "SÉCURITÉ"
                                             << "K" << kDefault;
        QTest::newRow("other letters, ASCII folded")
            << QByteArray("[Sécurité]\nK=1\n") << "SéCURITé"
            << "k"
            << "1";
        QTest::newRow("blanks trimmed") << QByteArray("  [ S ]  \n\t K \t=\t  a value \t\n") << "S"
                                        << "K"
                                        << "a value";
        QTest::newRow("quotes stripped") << QByteArray("[S]\nK=\"  80 \"\n") << "S"
                                         << "K"
                                         << "  80 ";
        QTest::newRow("a lone CR ends the value") << QByteArray("[S]\nK=a\r b\n") << "S"
                                                  << "K"
                                                  << "a";
        QTest::newRow("empty value") << QByteArray("[S]\nK=\n") << "S"
                                     << "K"
                                     << "";
        QTest::newRow("equals in value") << QByteArray("[S]\nK=a=b\n") << "S"
                                         << "K"
                                         << "a=b";
        QTest::newRow("first of repeated keys") << QByteArray("[S]\nK=1\nK=2\n") << "S"
                                                << "K"
                                                << "1";
        QTest::newRow("key of another section")
            << QByteArray("[Other]\nK=1\n[S]\nJ=2\n[Next]\nK=3\n") << "S"
            << "K" << kDefault;
        QTest::newRow("key before any section") << QByteArray("K=1\n[S]\n") << "S"
                                                << "K" << kDefault;
        QTest::newRow("comments skipped") << QByteArray("[S]\n;K=1\n# K=2\nK=3") << "S"
                                          << "K"
                                          << "3";
        QTest::newRow("line without equals") << QByteArray("[S]\nK\nK=4\n") << "S"
                                             << "K"
                                             << "4";
        QTest::newRow("unclosed header is no header") << QByteArray("[S]\n[T\nK=5\n") << "S"
                                                      << "K"
                                                      << "5";
        QTest::newRow("CRLF") << QByteArray("[S]\r\nK=6\r\n") << "S"
                              << "K"
                              << "6";
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF[S]\nK=7\n") << "S"
                                         << "K"
                                         << "7";
        QTest::newRow("text after header") << QByteArray("[S] ; main\nK=8\n") << "S"
                                           << "K"
                                           << "8";
        QTest::newRow("binary junk around")
            << QByteArray("\x00\xff\xfe[\x01=\x02\n", 8) + "[S]\nK=9\n" + QByteArray(300, '\0')
            << "S"
            << "K"
            << "9";
    }

    void readsValues() {
        QFETCH(QByteArray, contents);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        Store(Ini(), contents);
        QCOMPARE(Read(section, key), expected);
    }

    void readsDefaultWithoutAProfile() {
        QCOMPARE(Read("S", "K"), kDefault);
        QVERIFY(QDir().mkdir(Ini()));
        QCOMPARE(Read("S", "K"), kDefault);
        QVERIFY(!PrivateProfile::WriteString(Ini(), "S", "K", "1"));
        QVERIFY(QDir().rmdir(Ini()));
    }

    void cutsLongValuesAndCopesWithLongLines() {
        Store(Ini(), QByteArray(1 << 20, 'j') + "\n[S]\nK=" + QByteArray(3000, 'x') +
                         "\nE=a\xF0\x9F\x98\x80");
        QCOMPARE(Read("S", "K", 2047), QString(2047, u'x'));
        QCOMPARE(Read("S", "Missing", 3), kDefault.left(3));
        // A character outside the basic plane is not cut in half.
        QCOMPARE(Read("S", "E", 2), "a");
    }

    void writesOnlyItsOwnLine_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");

        QTest::newRow("replaces in place")
            << QByteArray("; top\n[Other]\nK=1\n\n[s]\n  k = 70  \nNext=x\n")
            << QByteArray("; top\n[Other]\nK=1\n\n[s]\n  k = 9\nNext=x\n");
        QTest::newRow("adds after the section's last key")
            << QByteArray("[S]\nA=1\n\n; about T\n[T]\nB=2\n")
            << QByteArray("[S]\nA=1\nK=9\n\n; about T\n[T]\nB=2\n");
        QTest::newRow("adds under a bare header") << QByteArray("[S]") << QByteArray("[S]\nK=9");
        QTest::newRow("adds after a last line without ending")
            << QByteArray("[S]\nA=1") << QByteArray("[S]\nA=1\nK=9");
        QTest::newRow("appends the section")
            << QByteArray("[T]\nB=2") << QByteArray("[T]\nB=2\n\n[S]\nK=9\n");
        QTest::newRow("appends after a blank line")
            << QByteArray("[T]\n\n") << QByteArray("[T]\n\n[S]\nK=9\n");
        QTest::newRow("empty file") << QByteArray() << QByteArray("[S]\nK=9\n");
        QTest::newRow("CRLF kept on new lines")
            << QByteArray("[T]\r\nB=2\r\n") << QByteArray("[T]\r\nB=2\r\n\r\n[S]\r\nK=9\r\n");
        QTest::newRow("CRLF kept in place")
            << QByteArray("[S]\r\nK=1\r\nA=2\r\n") << QByteArray("[S]\r\nK=9\r\nA=2\r\n");
        QTest::newRow("what follows a lone CR kept")
            << QByteArray("[S]\nK=1\rx\n") << QByteArray("[S]\nK=9\rx\n");
        QTest::newRow("first of repeated keys")
            << QByteArray("[S]\nK=1\nK=2\n") << QByteArray("[S]\nK=9\nK=2\n");
    }

    void writesOnlyItsOwnLine() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        Store(Ini(), before);
        QVERIFY(PrivateProfile::WriteString(Ini(), "S", "K", "9"));
        QCOMPARE(Contents(Ini()), after);
    }

    // An empty value leaves the line as a second save of it would: "K =", not "K = ".
    void anEmptyValueReadsTheSameWhenSavedAgain() {
        Store(Ini(), "[S]\r\nK = ''\r\n");
        QVERIFY(PrivateProfile::WriteString(Ini(), "S", "K", ""));
        QCOMPARE(Contents(Ini()), QByteArray("[S]\r\nK =\r\n"));
        QVERIFY(PrivateProfile::WriteString(Ini(), "S", "K", ""));
        QCOMPARE(Contents(Ini()), QByteArray("[S]\r\nK =\r\n"));
    }

    // Each key as its own write would set it, in order, and all or nothing.
    void writesSeveralKeysAtOnce() {
        Store(Ini(), "[T]\r\nK=2\r\n[S]\r\nA=1\r\n");
        QVERIFY(PrivateProfile::WriteStrings(Ini(), "S", {{"K", "9"}, {"a", "3"}, {" K ", "10"}}));
        const QByteArray after("[T]\r\nK=2\r\n[S]\r\nA=3\r\nK=10\r\n");
        QCOMPARE(Contents(Ini()), after);
        QVERIFY(!PrivateProfile::WriteStrings(Ini(), "S", {{"A", "4"}, {"J", "1\n[Evil]"}}));
        QCOMPARE(Contents(Ini()), after);
        QVERIFY(PrivateProfile::WriteStrings(Ini(), "New", {{"X", "1"}, {"Y", "2"}}));
        QCOMPARE(Contents(Ini()), after + "\r\n[New]\r\nX=1\r\nY=2\r\n");
    }

    void createsTheFile() {
        QVERIFY(PrivateProfile::WriteString(Ini(), "S", "K", "9"));
        QCOMPARE(Contents(Ini()), QByteArray("[S]\nK=9\n"));
    }

    // A value that a read would trim or unquote goes in quotes, so that it reads back whole.
    void quotesWhatAReadWouldTrim() {
        const QString values[] = {" a folder ", "\"quoted\"", "'single'", "\t", "\"", "a \"b\""};
        for (const QString& value : values) {
            QVERIFY(PrivateProfile::WriteString(Ini(), "S", "K", value));
            QCOMPARE(Read("S", "K"), value);
        }
        QVERIFY(PrivateProfile::WriteString(Ini(), "S", "K", " x"));
        QCOMPARE(Contents(Ini()), QByteArray("[S]\nK=\" x\"\n"));
    }

    void refusesWhatWouldNotReadBack_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("bracket in section") << "a]b"
                                            << "K"
                                            << "1";
        QTest::newRow("empty key") << "S"
                                   << ""
                                   << "1";
        QTest::newRow("equals in key") << "S"
                                       << "a=b"
                                       << "1";
        QTest::newRow("key like a header") << "S"
                                           << "[T]"
                                           << "1";
        QTest::newRow("line break in value") << "S"
                                             << "K"
                                             << "1\n[Evil]";
        QTest::newRow("carriage return in value") << "S"
                                                  << "K"
                                                  << "1\rx";
    }

    void refusesWhatWouldNotReadBack() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        Store(Ini(), "[S]\nK=1\n");
        QVERIFY(!PrivateProfile::WriteString(Ini(), section, key, value));
        QCOMPARE(Contents(Ini()), QByteArray("[S]\nK=1\n"));
    }

    void failsWhereNoFileCanBeMade() {
        const QString blocker = Folder.filePath(QStringLiteral("plain"));
        Store(blocker, "not a folder");
        QVERIFY(!PrivateProfile::WriteString(blocker + "/profile.ini", "S", "K", "1"));
        QCOMPARE(Contents(blocker), QByteArray("not a folder"));
    }

    void replacesTheFileWholeAndLeavesNoTemporary() {
        QTemporaryDir own;
        const QString ini = own.filePath(QStringLiteral("profile.ini"));
        const QString twin = own.filePath(QStringLiteral("twin.ini"));
        Store(ini, "[S]\nK=1\n");
        // A second name for the old file sees the old text: the new file was renamed into place,
        // never written over the old one.
        QVERIFY(QFile::link(ini, own.filePath(QStringLiteral("link.ini"))));
        QCOMPARE(::link(QFile::encodeName(ini).constData(), QFile::encodeName(twin).constData()),
                 0);
        QVERIFY(
            PrivateProfile::WriteString(own.filePath(QStringLiteral("link.ini")), "S", "K", "2"));
        QCOMPARE(Contents(ini), QByteArray("[S]\nK=2\n"));
        QCOMPARE(Contents(twin), QByteArray("[S]\nK=1\n"));
        QVERIFY(QFileInfo(own.filePath(QStringLiteral("link.ini"))).isSymLink());
        QCOMPARE(QDir(own.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({"link.ini", "profile.ini", "twin.ini"}));
    }
};

VK_TEST_MAIN(QCoreApplication, TestPrivateProfile)
#include "test_private_profile.moc"
