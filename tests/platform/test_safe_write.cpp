// Safe writes on real file systems: links at written names and folders, full disks, devices,
// and folders that take no new files.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "platform/SafeWrite.h"
#include "support/FileSystems.h"
#include "support/TestMain.h"
#include "support/TextFiles.h"

namespace {

using vk_test::Contents;
using vk_test::Store;

const QString kNoSpace = QStringLiteral("No space left on device");

QByteArray Native(const QString& Path) {
    return QFile::encodeName(Path);
}

QStringList Entries(const QString& Folder) {
    return QDir(Folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

mode_t ModeOf(const QString& Path) {
    struct stat status {};
    ::lstat(Native(Path).constData(), &status);
    return status.st_mode & 07777;
}

ino_t InodeOf(const QString& Path) {
    struct stat status {};
    ::lstat(Native(Path).constData(), &status);
    return status.st_ino;
}

} // namespace

class TestSafeWrite : public QObject {
    Q_OBJECT

private slots:
    void makesTheRootWithEveryLevelThroughTheUsersLinks() {
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkdir("real"));
        QVERIFY(QFile::link(home.filePath("real"), home.filePath("Desktop")));
        const SafeWrite::TOpenedFolder root =
            SafeWrite::MakeAndOpenFolder(Native(home.filePath("Desktop/a/Resized Images")));
        QVERIFY2(root.Folder.IsOpen(), qPrintable(root.Error));
        QVERIFY(root.Error.isEmpty());
        QVERIFY(SafeWrite::WriteFileIn(root.Folder, "x.jpg", "jpeg").isEmpty());
        QCOMPARE(Contents(home.filePath("real/a/Resized Images/x.jpg")), QByteArray("jpeg"));
        // Opening it again finds it as it is.
        QVERIFY(SafeWrite::MakeAndOpenFolder(Native(home.filePath("Desktop/a/Resized Images")))
                    .Folder.IsOpen());

        Store(home.filePath("plain"), "a file");
        const SafeWrite::TOpenedFolder blocked =
            SafeWrite::MakeAndOpenFolder(Native(home.filePath("plain/Resized Images")));
        QVERIFY(!blocked.Folder.IsOpen());
        QCOMPARE(blocked.Error, QStringLiteral("Not a directory"));
    }

    void writesAFileAndReplacesAnOlderOne() {
        QTemporaryDir folder;
        const SafeWrite::TOpenedFolder opened = SafeWrite::OpenFolder(Native(folder.path()));
        QVERIFY(opened.Folder.IsOpen());
        QVERIFY(SafeWrite::WriteFileIn(opened.Folder, "Large_x.jpg", "first").isEmpty());
        QVERIFY(SafeWrite::WriteFileIn(opened.Folder, "Large_x.jpg", "second").isEmpty());
        QVERIFY(SafeWrite::WriteFileIn(opened.Folder, "empty.jpg", "").isEmpty());
        QCOMPARE(Contents(folder.filePath("Large_x.jpg")), QByteArray("second"));
        QCOMPARE(Contents(folder.filePath("empty.jpg")), QByteArray());
        const mode_t mask = ::umask(0);
        ::umask(mask);
        QCOMPARE(ModeOf(folder.filePath("Large_x.jpg")), 0644 & ~mask);
        QCOMPARE(Entries(folder.path()), QStringList({"empty.jpg", "Large_x.jpg"}));

        // The same through a whole path, and a folder that is not there.
        QVERIFY(SafeWrite::WriteFileAt(Native(folder.filePath("at.jpg")), "at").isEmpty());
        QCOMPARE(Contents(folder.filePath("at.jpg")), QByteArray("at"));
        QCOMPARE(SafeWrite::WriteFileAt(Native(folder.filePath("missing/at.jpg")), "at"),
                 QStringLiteral("No such file or directory"));
    }

    void refusesNamesThatAreNotOneName() {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir("sub"));
        const SafeWrite::TOpenedFolder opened = SafeWrite::OpenFolder(Native(folder.path()));
        for (const QByteArray& name : {QByteArray("sub/x.jpg"), QByteArray(".."), QByteArray("."),
                                       QByteArray(), QByteArray("a\0b", 3)}) {
            QVERIFY(!SafeWrite::WriteFileIn(opened.Folder, name, "x").isEmpty());
            QVERIFY(!SafeWrite::MakeAndOpenSubfolder(opened.Folder, name).Folder.IsOpen());
        }
        QCOMPARE(Entries(folder.path()), QStringList{"sub"});
        QCOMPARE(Entries(folder.filePath("sub")), QStringList());
    }

    void aLinkAtTheNameIsReplacedNeverWrittenThrough() {
        QTemporaryDir outside, tree;
        const QString victim = outside.filePath("victim");
        Store(victim, "precious");
        QVERIFY(QFile::link(victim, tree.filePath("Large_x.jpg")));
        QVERIFY(QFile::link(outside.filePath("created"), tree.filePath("Large_y.jpg")));
        const SafeWrite::TOpenedFolder opened = SafeWrite::OpenFolder(Native(tree.path()));
        QVERIFY(SafeWrite::WriteFileIn(opened.Folder, "Large_x.jpg", "output").isEmpty());
        QVERIFY(SafeWrite::WriteFileIn(opened.Folder, "Large_y.jpg", "output").isEmpty());

        QCOMPARE(Contents(victim), QByteArray("precious"));
        QCOMPARE(Entries(outside.path()), QStringList{"victim"}); // the dangling link made nothing
        for (const QString name : {"Large_x.jpg", "Large_y.jpg"}) {
            QVERIFY(!QFileInfo(tree.filePath(name)).isSymLink());
            QCOMPARE(Contents(tree.filePath(name)), QByteArray("output"));
        }
    }

    void aLinkAtASizeFolderIsReplacedByARealFolder() {
        QTemporaryDir outside, tree;
        QVERIFY(QDir(outside.path()).mkdir("elsewhere"));
        QVERIFY(QFile::link(outside.filePath("elsewhere"), tree.filePath("Large")));
        QVERIFY(QFile::link(outside.filePath("gone"), tree.filePath("Medium")));
        Store(tree.filePath("Thumbnail"), "a file in the way");
        const SafeWrite::TOpenedFolder root = SafeWrite::OpenFolder(Native(tree.path()));

        for (const QByteArray name : {"Large", "Medium"}) {
            const SafeWrite::TOpenedFolder size =
                SafeWrite::MakeAndOpenSubfolder(root.Folder, name);
            QVERIFY2(size.Folder.IsOpen(), qPrintable(size.Error));
            QVERIFY(SafeWrite::WriteFileIn(size.Folder, name + "_x.jpg", "output").isEmpty());
            const QFileInfo info(tree.filePath(QString::fromUtf8(name)));
            QVERIFY(info.isDir() && !info.isSymLink());
            QCOMPARE(Contents(info.filePath() + "/" + name + "_x.jpg"), QByteArray("output"));
        }
        QCOMPARE(Entries(outside.path()), QStringList{"elsewhere"});
        QCOMPARE(Entries(outside.filePath("elsewhere")), QStringList());

        const SafeWrite::TOpenedFolder blocked =
            SafeWrite::MakeAndOpenSubfolder(root.Folder, "Thumbnail");
        QVERIFY(!blocked.Folder.IsOpen());
        QCOMPARE(blocked.Error, QStringLiteral("Not a directory"));
        QCOMPARE(Contents(tree.filePath("Thumbnail")), QByteArray("a file in the way"));
    }

    void writeAllReportsTheFirstError() {
        const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
        QVERIFY(full >= 0);
        QCOMPARE(SafeWrite::WriteAll(full, QByteArray(100000, 'x')), kNoSpace);
        QVERIFY(SafeWrite::WriteAll(full, "").isEmpty()); // nothing to write, nothing written
        ::close(full);
        QCOMPARE(SafeWrite::WriteAll(-1, "x"), QStringLiteral("Bad file descriptor"));
    }

    void anOutputThatDoesNotFitLeavesNothingBehind() {
        VK_SMALL_DISK(disk, 256);
        QVERIFY(QDir(disk.Path()).mkdir("Large"));
        const QString older = disk.Path() + "/Large/Large_old.jpg";
        Store(older, "older output");
        QVERIFY(disk.Fill(16));
        const SafeWrite::TOpenedFolder folder =
            SafeWrite::OpenFolder(Native(disk.Path() + "/Large"));
        const QByteArray big(64 * 1024, 'j'); // fits in part, so the write is cut short first

        QCOMPARE(SafeWrite::WriteFileIn(folder.Folder, "Large_new.jpg", big), kNoSpace);
        QCOMPARE(SafeWrite::WriteFileIn(folder.Folder, "Large_old.jpg", big), kNoSpace);
        QCOMPARE(Contents(older), QByteArray("older output"));
        QCOMPARE(Entries(disk.Path() + "/Large"), QStringList{"Large_old.jpg"});
        // What fits is still written.
        QVERIFY(SafeWrite::WriteFileIn(folder.Folder, "Large_new.jpg", "small").isEmpty());
    }

    void replacesTheRealFileBehindALinkAndKeepsItsPermissions() {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir("dotfiles"));
        const QString real = folder.filePath("dotfiles/program.ini");
        const QString link = folder.filePath("program.ini");
        Store(real, "old");
        QCOMPARE(::chmod(Native(real).constData(), 0600), 0);
        // Relative, as dotfile tools make them.
        QCOMPARE(::symlink("dotfiles/program.ini", Native(link).constData()), 0);

        QVERIFY(SafeWrite::ReplaceFileContent(Native(link), "new").isEmpty());
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(Contents(real), QByteArray("new"));
        QCOMPARE(ModeOf(real), mode_t(0600));
        QCOMPARE(Entries(folder.filePath("dotfiles")), QStringList{"program.ini"});

        QVERIFY(SafeWrite::ReplaceFileContent(Native(folder.filePath("fresh.ini")), "a").isEmpty());
        QCOMPARE(Contents(folder.filePath("fresh.ini")), QByteArray("a"));
    }

    void refusesWhatIsNotARegularFile() {
        QTemporaryDir folder;
        const QString pipe = folder.filePath("pipe.ini");
        QCOMPARE(::mkfifo(Native(pipe).constData(), 0600), 0);
        QVERIFY(QFile::link("/dev/full", folder.filePath("device.ini")));
        QVERIFY(QDir(folder.path()).mkdir("folder.ini"));
        QCOMPARE(SafeWrite::ReplaceFileContent(Native(pipe), "x"),
                 QStringLiteral("Not a regular file"));
        QCOMPARE(SafeWrite::ReplaceFileContent(Native(folder.filePath("device.ini")), "x"),
                 QStringLiteral("Not a regular file"));
        QCOMPARE(SafeWrite::ReplaceFileContent(Native(folder.filePath("folder.ini")), "x"),
                 QStringLiteral("Is a directory"));
        QVERIFY(QFileInfo(folder.filePath("device.ini")).isSymLink());
        QCOMPARE(Entries(folder.path()), QStringList({"device.ini", "folder.ini", "pipe.ini"}));
    }

    // A folder that takes no new files: the file is rewritten where it is, shorter or longer.
    void rewritesInPlaceWhereNoNewFileCanBeMade() {
        QTemporaryDir folder;
        const QString file = folder.filePath("program.ini");
        Store(file, "a rather long old content");
        const ino_t inode = InodeOf(file);
        vk_test::FolderWithoutNewFiles refusing(folder.path());
        if (!refusing.Done())
            QSKIP("this file system cannot refuse new files in a folder");
        QVERIFY(SafeWrite::ReplaceFileContent(Native(file), "short").isEmpty());
        QCOMPARE(Contents(file), QByteArray("short"));
        const QByteArray longer(10000, 'L');
        QVERIFY(SafeWrite::ReplaceFileContent(Native(file), longer).isEmpty());
        QCOMPARE(Contents(file), longer);
        QCOMPARE(InodeOf(file), inode);
        QCOMPARE(Entries(folder.path()), QStringList{"program.ini"});
        // No file to rewrite: the folder's refusal is the reason.
        QVERIFY(!SafeWrite::ReplaceFileContent(Native(folder.filePath("new.ini")), "x").isEmpty());
    }
};

VK_TEST_MAIN(QCoreApplication, TestSafeWrite)
#include "test_safe_write.moc"
