// Reading whole files: only regular files, within their limit, and into a buffer reused from
// one file to the next without anything of the last one left in it.

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include "platform/FileNames.h"
#include "platform/RegularFile.h"
#include "support/TestMain.h"
#include "support/TextFiles.h"

class TestRegularFile : public QObject {
    Q_OBJECT

private slots:
    void oneBufferFileAfterFile() {
        QTemporaryDir folder;
        const QString large = folder.filePath(QStringLiteral("large"));
        const QString small = folder.filePath(QStringLiteral("small"));
        QVERIFY(vk_test::WriteBytes(large, QByteArray(100000, 'L')));
        QVERIFY(vk_test::WriteBytes(small, "small"));
        QByteArray buffer;
        QVERIFY(ReadRegularFileInto(large, 100000, buffer));
        QCOMPARE(buffer.size(), 100000);
        const char* memory = buffer.constData();
        QVERIFY(ReadRegularFileInto(small, 100000, buffer));
        QCOMPARE(buffer, QByteArray("small"));
        QCOMPARE(buffer.constData(), memory); // the same memory, not a new block

        // Above the limit, a folder or a pipe: nothing read, nothing of before left.
        const QString fifo = folder.filePath(QStringLiteral("fifo"));
        QCOMPARE(::mkfifo(EncodeFileName(fifo).constData(), 0600), 0);
        for (const QString& refused : {large, folder.path(), fifo}) {
            QVERIFY(ReadRegularFileInto(small, 10, buffer));
            QVERIFY(!ReadRegularFileInto(refused, 10, buffer));
            QVERIFY(buffer.isEmpty());
        }
        QCOMPARE(ReadRegularFile(small, 5), std::optional<QByteArray>("small"));
        QCOMPARE(ReadRegularFile(small, 4), std::nullopt);
    }
};

VK_TEST_MAIN(QCoreApplication, TestRegularFile)
#include "test_regular_file.moc"
