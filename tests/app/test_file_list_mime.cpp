// What a drop or a paste names: the local files of a URI list or of a file manager's copied
// files, each name whole and byte for byte.

#include <QMimeData>
#include <QTest>

#include "app/FileListMime.h"
#include "platform/FileNames.h"
#include "support/TestMain.h"

class TestFileListMime : public QObject {
    Q_OBJECT

private slots:
    void uriList() {
        QMimeData data;
        data.setData(QStringLiteral("text/uri-list"), "# a comment\r\n"
                                                      "file:///home/u/a%20b.jpg\r\n"
                                                      "http://example.org/c.jpg\r\n"
                                                      "file://otherhost/d.jpg\r\n"
                                                      "file://localhost/home/u/e.png\r\n"
                                                      "file:/home/u/f.gif\r\n"
                                                      "trash:/g.jpg\r\n"
                                                      "\r\n"
                                                      "FILE:///home/u/caf%E9%23%3F.jpg\r\n"
                                                      "file:///home/u/%E2%82%AC.jpg");
        QCOMPARE(LocalPathsFromMime(data),
                 QStringList({"/home/u/a b.jpg", "/home/u/e.png", "/home/u/f.gif",
                              DecodeFileName("/home/u/caf\xe9#?.jpg"),
                              QStringLiteral(u"/home/u/€.jpg")}));
    }

    // GNOME and Xfce put the operation first; the copied list wins over a URI list beside it.
    void copiedFiles_data() {
        QTest::addColumn<QByteArray>("list");
        QTest::newRow("copy") << QByteArray("copy\nfile:///a/x.jpg\nfile:///a/100%25.jpg");
        QTest::newRow("cut, trailing newline")
            << QByteArray("cut\nfile:///a/x.jpg\nfile:///a/100%25.jpg\n");
        QTest::newRow("a % that escapes nothing")
            << QByteArray("copy\nfile:///a/x.jpg\nfile:///a/100%.jpg");
    }
    void copiedFiles() {
        QFETCH(QByteArray, list);
        QMimeData data;
        data.setData(QStringLiteral("x-special/gnome-copied-files"), list);
        data.setData(QStringLiteral("text/uri-list"), "file:///elsewhere.jpg\r\n");
        QCOMPARE(LocalPathsFromMime(data), QStringList({"/a/x.jpg", "/a/100%.jpg"}));
    }

    // Names longer than any fixed buffer come through whole.
    void longNamesAreNotCut() {
        const QByteArray folder = QByteArray("/deep").repeated(300);
        const QByteArray name = QByteArray(250, 'n') + ".jpg";
        QMimeData data;
        data.setData(QStringLiteral("text/uri-list"), "file://" + folder + "/" + name);
        QCOMPARE(LocalPathsFromMime(data), QStringList({DecodeFileName(folder + "/" + name)}));
    }

    void nothingUsable() {
        QMimeData data;
        data.setText(QStringLiteral("/home/u/a.jpg"));
        QVERIFY(LocalPathsFromMime(data).isEmpty());
        data.setData(QStringLiteral("text/uri-list"), "file://\r\nfile:relative.jpg\r\n");
        QVERIFY(LocalPathsFromMime(data).isEmpty());
        // No name holds a NUL, at which the system would cut it.
        const QByteArray nul = QByteArray("file:///a%00b.jpg\nfile:///a") + '\0' + "b.jpg\n";
        data.setData(QStringLiteral("text/uri-list"), nul);
        QVERIFY(LocalPathsFromMime(data).isEmpty());
        data.setData(QStringLiteral("x-special/gnome-copied-files"), "copy\n" + nul);
        QVERIFY(LocalPathsFromMime(data).isEmpty());
    }
};

VK_TEST_MAIN(QCoreApplication, TestFileListMime)
#include "test_file_list_mime.moc"
