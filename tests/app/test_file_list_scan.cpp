// The folder scan: every file, depth first in the file system's order, through links but never
// round a link cycle, and quietly past what cannot be read.

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <QTest>

#include "TreeFiles.h"
#include "app/FileListScan.h"
#include "platform/FileNames.h"
#include "support/TestMain.h"

namespace {

// The names in Folder in the order the file system gives them, without "." and "..".
QStringList FolderOrder(const QString& Folder) {
    QStringList names;
    DIR* folder = ::opendir(EncodeFileName(Folder).constData());
    while (const dirent* entry = folder ? ::readdir(folder) : nullptr) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names << DecodeFileName(name);
    }
    if (folder)
        ::closedir(folder);
    return names;
}

// The first component below Folder of each path, repeats in a row taken once: the order in
// which the scan met Folder's entries.
QStringList EntriesMet(const QStringList& Paths, const QString& Folder) {
    QStringList met;
    for (const QString& path : Paths) {
        if (!path.startsWith(Folder))
            continue;
        const QString entry = path.mid(Folder.size()).section(u'/', 0, 0);
        if (met.isEmpty() || met.last() != entry)
            met << entry;
    }
    return met;
}

QStringList Only(const QStringList& Order, const QStringList& Wanted) {
    QStringList kept;
    for (const QString& name : Order) {
        if (Wanted.contains(name))
            kept << name;
    }
    return kept;
}

} // namespace

class TestFileListScan : public QObject {
    Q_OBJECT

private slots:
    void everyFileDepthFirst() {
        vk_test::ByteNamedFolder temporary;
        const QString root = temporary.path() + u'/';
        const QByteArray r = EncodeFileName(root);
        using vk_test::MakeFile;
        using vk_test::MakeFolder;
        QVERIFY(MakeFile(r + "a.jpg") && MakeFile(r + ".hidden.png") && MakeFile(r + "README"));
        QVERIFY(MakeFile(r + "caf\xe9.bmp"));
        QVERIFY(MakeFolder(r + "sub") && MakeFolder(r + "sub/deeper") && MakeFolder(r + "other"));
        QVERIFY(MakeFile(r + "sub/b.gif") && MakeFile(r + "sub/deeper/c.tif"));
        QVERIFY(MakeFile(r + "other/z.txt") && MakeFolder(r + "empty"));
        // Links: back to the root and to the folder itself (cycles), to a folder beside
        // (followed, but entered once: the first way met lists its files), to a file (listed)
        // and to nothing (left out).
        QCOMPARE(::symlink(r.constData(), (r + "sub/loop").constData()), 0);
        QCOMPARE(::symlink(".", (r + "sub/self").constData()), 0);
        QCOMPARE(::symlink("../other", (r + "sub/other-link").constData()), 0);
        QCOMPARE(::symlink("a.jpg", (r + "file-link").constData()), 0);
        QCOMPARE(::symlink("nowhere", (r + "dangling").constData()), 0);

        QStringList paths = {QStringLiteral("/kept/before")};
        CollectFolderFiles(root, paths);
        QCOMPARE(paths.takeFirst(), QStringLiteral("/kept/before"));

        const QStringList rootNames = FolderOrder(root);
        const bool subFirst =
            rootNames.indexOf(QStringLiteral("sub")) < rootNames.indexOf(QStringLiteral("other"));
        QStringList expected = {"a.jpg",
                                ".hidden.png",
                                "README",
                                "file-link",
                                "sub/b.gif",
                                "sub/deeper/c.tif",
                                subFirst ? "sub/other-link/z.txt" : "other/z.txt"};
        expected << DecodeFileName("caf\xe9.bmp");
        for (QString& path : expected)
            path.prepend(root);
        QStringList sortedPaths = paths;
        sortedPaths.sort();
        expected.sort();
        QCOMPARE(sortedPaths, expected);

        // Each folder's files come together, where the folder was met in its parent.
        const QStringList rootOrder = Only(FolderOrder(root), EntriesMet(paths, root));
        QCOMPARE(EntriesMet(paths, root), rootOrder);
        const QString sub = root + QStringLiteral("sub/");
        QCOMPARE(EntriesMet(paths, sub), Only(FolderOrder(sub), EntriesMet(paths, sub)));
        QCOMPARE(EntriesMet(paths, sub).size(), subFirst ? 3 : 2);
    }

    void unreadableFoldersAddNothing() {
        QTemporaryDir temporary;
        const QByteArray r = EncodeFileName(temporary.path() + u'/');
        QStringList paths;
        CollectFolderFiles(DecodeFileName(r + "missing/"), paths);
        QVERIFY(paths.isEmpty());

        if (::geteuid() == 0)
            QSKIP("root reads every folder");
        QVERIFY(vk_test::MakeFolder(r + "closed") && vk_test::MakeFile(r + "closed/x.jpg"));
        QVERIFY(vk_test::MakeFile(r + "open.jpg"));
        QCOMPARE(::chmod((r + "closed").constData(), 0), 0);
        CollectFolderFiles(DecodeFileName(r), paths);
        ::chmod((r + "closed").constData(), 0755);
        QCOMPARE(paths, QStringList({DecodeFileName(r + "open.jpg")}));
    }
};

VK_TEST_MAIN(QCoreApplication, TestFileListScan)
#include "test_file_list_scan.moc"
