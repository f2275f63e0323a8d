// The folder scan through links that lead to one folder many ways.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/FolderScan.h"
#include "support/TestMain.h"

class TestFolderScan : public QObject {
    Q_OBJECT

private slots:
    // Twenty folders, each with a picture and two links to the next: every folder is entered
    // once, under the first link met, instead of once per way down (a million times).
    void linksFanningOutEnterEachFolderOnce() {
        constexpr int levels = 20;
        QTemporaryDir store;
        const auto level = [&store](int Index) {
            return store.filePath(QStringLiteral("level%1").arg(Index));
        };
        for (int i = 0; i < levels; ++i) {
            QVERIFY(QDir().mkpath(level(i)));
            QFile photo(level(i) + QStringLiteral("/photo.png"));
            QVERIFY(photo.open(QIODevice::WriteOnly));
            if (i + 1 < levels) {
                for (const char* link : {"/a", "/b"}) {
                    QVERIFY(QFile::link(level(i + 1), level(i) + QLatin1String(link)));
                }
            }
        }
        QStringList expected;
        for (int depth = levels - 1; depth >= 0; --depth) {
            expected << level(0) + QLatin1Char('/') + QStringLiteral("a/").repeated(depth) +
                            QStringLiteral("photo.png");
        }

        QStringList paths;
        TFolderScanOptions options;
        options.ByName = true;
        ScanFolderTree(level(0), paths, options);
        QCOMPARE(paths, expected);
    }
};

VK_TEST_MAIN(QCoreApplication, TestFolderScan)
#include "test_folder_scan.moc"
