// Output names (shortened to fit), the folders of the output tree, and names two sources of one run
// compete for.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "batch/OutputTree.h"
#include "platform/DesktopFolder.h"
#include "platform/FileNames.h"
#include "support/TestMain.h"

namespace {

void Touch(const QString& Path) {
    QFile file(Path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class TestOutputTree : public QObject {
    Q_OBJECT

private slots:
    void outputName_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("expected");
        QTest::newRow("extension replaced") << "/photos/trip/beach.PNG"
                                            << "beach.jpg";
        QTest::newRow("only the last extension") << "/p/holiday.photo.tiff"
                                                 << "holiday.photo.jpg";
        QTest::newRow("no extension") << "/p/scan"
                                      << "scan.jpg";
        QTest::newRow("trailing dot") << "/p/scan."
                                      << "scan.jpg";
        QTest::newRow("dot in a folder name only") << "/p/v1.2/scan"
                                                   << "scan.jpg";
        QTest::newRow("colon is an ordinary character") << "/p/a:b.gif"
                                                        << "a:b.jpg";
        QTest::newRow("letter case kept") << "/p/MiXeD.Bytes"
                                          << "MiXeD.jpg";
        QTest::newRow("percent taken literally") << "/p/lit%d.png"
                                                 << "lit%d.jpg";
    }
    void outputName() {
        QFETCH(QString, source);
        QFETCH(QString, expected);
        const TOutputName output = TOutputTree(QStringLiteral("/out")).OutputPath(source, osLarge);
        QCOMPARE(output.Path, QStringLiteral("/out/Large/Large_") + expected);
        QVERIFY(!output.Shortened);
    }

    // A name past 255 bytes keeps its prefix and extension and loses the end of the source's
    // name, a whole character at a time.
    void longNamesAreShortenedToFit_data() {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<bool>("shortened");
        const QByteArray e = "\xc3\xa9";              // two bytes
        const QByteArray camera = "\xf0\x9f\x93\xb7"; // four bytes, two UTF-16 units
        QTest::newRow("fits exactly") << QByteArray(245, 'a') + ".png"
                                      << "Large_" + QByteArray(245, 'a') + ".jpg" << false;
        QTest::newRow("one byte over") << QByteArray(246, 'a') + ".png"
                                       << "Large_" + QByteArray(245, 'a') + ".jpg" << true;
        QTest::newRow("two-byte characters") << e.repeated(130) + ".png"
                                             << "Large_" + e.repeated(122) + ".jpg" << true;
        QTest::newRow("four-byte characters") << camera.repeated(70) + ".png"
                                              << "Large_" + camera.repeated(61) + ".jpg" << true;
        QTest::newRow("bytes that are not UTF-8")
            << QByteArray(250, '\xe9') + ".png"
            << "Large_" + QByteArray(245, '\xe9') + ".jpg" << true;
    }
    void longNamesAreShortenedToFit() {
        QFETCH(QByteArray, source);
        QFETCH(QByteArray, expected);
        QFETCH(bool, shortened);
        const TOutputName output =
            TOutputTree(QStringLiteral("/out")).OutputPath(DecodeFileName("/p/" + source), osLarge);
        QCOMPARE(EncodeFileName(output.Path), "/out/Large/" + expected);
        QCOMPARE(output.Shortened, shortened);
    }

    // Sources whose names differ only past the cut still get names of their own.
    void shortenedNamesStillDiffer() {
        TOutputTree tree(QStringLiteral("/out"));
        const auto claim = [&tree](const QString& Source) {
            const TOutputName output = tree.OutputPath(Source, osThumb);
            tree.Claim(output.Path, Source);
            return EncodeFileName(FileNamePart(output.Path));
        };
        const QString common = QStringLiteral("/p/") + QString(250, QLatin1Char('a'));
        QCOMPARE(claim(common + QStringLiteral("x.png")), "Thumb_" + QByteArray(245, 'a') + ".jpg");
        QCOMPARE(claim(common + QStringLiteral("y.png")),
                 "Thumb_" + QByteArray(241, 'a') + " (2).jpg");
        QCOMPARE(claim(common + QStringLiteral("z.png")),
                 "Thumb_" + QByteArray(241, 'a') + " (3).jpg");
        QCOMPARE(claim(common + QStringLiteral("y.png")),
                 "Thumb_" + QByteArray(241, 'a') + " (2).jpg");
    }

    void folderAndPrefixPerSize() {
        const TOutputTree tree(QStringLiteral("/out"));
        QCOMPARE(tree.Root(), QStringLiteral("/out/"));
        QCOMPARE(tree.OutputPath(QStringLiteral("/p/holiday.photo.tiff"), osLarge).Path,
                 QStringLiteral("/out/Large/Large_holiday.photo.jpg"));
        QCOMPARE(tree.OutputPath(QStringLiteral("/p/beach.PNG"), osMedium).Path,
                 QStringLiteral("/out/Medium/Medium_beach.jpg"));
        QCOMPARE(tree.OutputPath(QStringLiteral("/p/beach.PNG"), osThumb).Path,
                 QStringLiteral("/out/Thumbnail/Thumb_beach.jpg"));
    }

    void differentSourcesNeverShareAFile() {
        QTemporaryDir folder;
        const QString a = folder.filePath(QStringLiteral("a.png"));
        const QString b = folder.filePath(QStringLiteral("a.bmp"));
        const QString numbered = folder.filePath(QStringLiteral("a (2).png"));
        QDir(folder.path()).mkdir(QStringLiteral("sub"));
        const QString other = folder.filePath(QStringLiteral("sub/a.png"));
        for (const QString& path : {a, b, numbered, other}) {
            Touch(path);
        }
        TOutputTree tree(folder.filePath(QStringLiteral("out")));
        const auto claim = [&tree](const QString& Source) {
            const QString path = tree.OutputPath(Source, osLarge).Path;
            tree.Claim(path, Source);
            return QFileInfo(path).fileName();
        };
        QCOMPARE(claim(a), QStringLiteral("Large_a.jpg"));
        QCOMPARE(claim(b), QStringLiteral("Large_a (2).jpg"));
        QCOMPARE(claim(numbered), QStringLiteral("Large_a (2) (2).jpg"));
        QCOMPARE(claim(other), QStringLiteral("Large_a (3).jpg"));
        // Listed again, by another spelling too: each source writes over its own file.
        QCOMPARE(claim(b), QStringLiteral("Large_a (2).jpg"));
        QCOMPARE(claim(folder.path() + QStringLiteral("/./sub/../a.png")),
                 QStringLiteral("Large_a.jpg"));
        // A name nobody has written yet is the plain one, whatever is on disk from earlier runs.
        QCOMPARE(tree.OutputPath(b, osMedium).Path,
                 folder.filePath(QStringLiteral("out/Medium/Medium_a.jpg")));
    }

    void linkToASourceIsTheSameSource() {
        QTemporaryDir folder;
        QDir(folder.path()).mkpath(QStringLiteral("x"));
        QDir(folder.path()).mkpath(QStringLiteral("y"));
        const QString target = folder.filePath(QStringLiteral("x/a.png"));
        const QString link = folder.filePath(QStringLiteral("y/a.png"));
        Touch(target);
        QVERIFY(QFile::link(target, link));
        TOutputTree tree(folder.filePath(QStringLiteral("out")));
        const QString written = tree.OutputPath(target, osThumb).Path;
        tree.Claim(written, target);
        QCOMPARE(tree.OutputPath(link, osThumb).Path, written);
    }

    void sizeFoldersAreMadeWithEveryLevel() {
        QTemporaryDir folder;
        const TOutputTree tree(folder.filePath(QStringLiteral("no/such/levels/yet")));
        QCOMPARE(tree.OpenSizeFolder(osMedium).Error, QString());
        QVERIFY(QFileInfo(tree.SizeFolder(osMedium)).isDir());
        QVERIFY(tree.OpenSizeFolder(osMedium).Folder.IsOpen()); // already there
    }

    // The flush at the end of a run makes nothing of its own: a run that never made its root
    // leaves none behind.
    void flushNeedsNoRoot() {
        QTemporaryDir folder;
        const TOutputTree never(folder.filePath(QStringLiteral("never")));
        QCOMPARE(never.FlushToDisk(), QString());
        QVERIFY(!QFileInfo::exists(never.Root()));

        const TOutputTree made(folder.filePath(QStringLiteral("made")));
        QVERIFY(made.OpenSizeFolder(osThumb).Folder.IsOpen());
        // Held open from the start: the root's file system is flushed even after it is gone.
        QVERIFY(QDir(made.Root()).removeRecursively());
        QCOMPARE(made.FlushToDisk(), QString());
    }

    void aFileInTheWayIsReported() {
        QTemporaryDir folder;
        const QString blocker = folder.filePath(QStringLiteral("Resized Images"));
        Touch(blocker);
        QVERIFY(!TOutputTree(blocker).OpenSizeFolder(osLarge).Error.isEmpty());
        QVERIFY(QFileInfo(blocker).isFile());
    }

    void desktopFolderEndsInSlash() {
        const QString desktop = GetDesktopFolder();
        QVERIFY(desktop.endsWith(QLatin1Char('/')));
        QCOMPARE(QDir(desktop).canonicalPath(),
                 QDir(QDir::homePath() + QStringLiteral("/Desktop")).canonicalPath());
    }
};

VK_TEST_MAIN(QCoreApplication, TestOutputTree)
#include "test_output_tree.moc"
