// The folder tree over the file system: what the desktop node holds, which folders are listed and
// when, the order they come in, where an expand button shows, and what folders that cannot be
// read, that vanish or that refuse a new name do to it.

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include "platform/FileNames.h"
#include "platform/FolderModel.h"
#include "support/TestMain.h"

namespace {

void MakeFolders(const QString& Base, const QStringList& Paths) {
    for (const QString& path : Paths)
        QVERIFY(QDir(Base).mkpath(path));
}

void MakeFile(const QString& Path) {
    QFile file(Path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

QStringList Names(const TFolderModel& Model, const QModelIndex& Parent) {
    QStringList names;
    for (int row = 0; row < Model.rowCount(Parent); ++row)
        names << Model.index(row, 0, Parent).data().toString();
    return names;
}

// The desktop subfolder Name, as the model lists it.
QModelIndex DesktopChild(const TFolderModel& Model, const QString& Name) {
    const QModelIndex desktop = Model.DesktopIndex();
    for (int row = 0; row < Model.rowCount(desktop); ++row) {
        const QModelIndex child = Model.index(row, 0, desktop);
        if (child.data().toString() == Name &&
            child.data(TFolderModel::KindRole).toInt() == int(TFolderModel::TKind::Folder))
            return child;
    }
    return {};
}

QModelIndex Listed(TFolderModel& Model, const QModelIndex& Index) {
    if (Model.canFetchMore(Index))
        Model.fetchMore(Index);
    return Index;
}

} // namespace

class TestFolderModel : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QVERIFY(QDir(vk_test::Desktop()).removeRecursively());
        QVERIFY(QDir().mkpath(vk_test::Desktop()));
    }

    void TheDesktopHoldsHomeRootVolumesAndItsOwnFolders() {
        MakeFolders(vk_test::Desktop(), {"Photos", ".hidden", "archive 2"});
        MakeFile(vk_test::Desktop() + "/notes.txt");
        TFolderModel model;
        QCOMPARE(model.rowCount(), 1);
        const QModelIndex desktop = model.DesktopIndex();
        QCOMPARE(model.Path(desktop), vk_test::Desktop());
        QCOMPARE(desktop.data().toString(), QStringLiteral("Desktop"));
        QVERIFY(!model.canFetchMore(desktop));

        const QStringList names = Names(model, desktop);
        QCOMPARE(names.first(), QStringLiteral("Home"));
        QCOMPARE(model.Path(model.index(0, 0, desktop)), QDir::homePath());
        QCOMPARE(names.at(1), QStringLiteral("File System"));
        QCOMPARE(model.Path(model.index(1, 0, desktop)), QStringLiteral("/"));
        // The desktop's own folders come last, files and hidden folders left out.
        QCOMPARE(names.mid(names.size() - 2), (QStringList{"archive 2", "Photos"}));
        QVERIFY(!names.contains(QStringLiteral(".hidden")));
        QVERIFY(!names.contains(QStringLiteral("notes.txt")));
        for (int row = 0; row < names.size(); ++row)
            QVERIFY(model.IsFolder(model.index(row, 0, desktop)));
    }

    void ChildrenAreListedOnceSortedAsAFileManagerDoes() {
        MakeFolders(vk_test::Desktop() + "/Sorted",
                    {"item10", "Item2", "banana", "Apple", "cherry", ".cache", "item1"});
        MakeFile(vk_test::Desktop() + "/Sorted/zebra.jpg");
        TFolderModel model;
        const QModelIndex sorted = DesktopChild(model, "Sorted");
        QVERIFY(model.canFetchMore(sorted));
        QCOMPARE(model.rowCount(sorted), 0);

        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        model.fetchMore(sorted);
        const QStringList expected{"Apple", "banana", "cherry", "item1", "Item2", "item10"};
        QCOMPARE(Names(model, sorted), expected);
        QCOMPARE(model.Path(model.index(4, 0, sorted)), vk_test::Desktop() + "/Sorted/Item2");

        // Asked again, the tree keeps what it listed and does not follow the disk.
        MakeFolders(vk_test::Desktop() + "/Sorted", {"added"});
        QVERIFY(!model.canFetchMore(sorted));
        model.fetchMore(sorted);
        QCOMPARE(Names(model, sorted), expected);
        QCOMPARE(inserted.count(), 1);
    }

    void AnExpandButtonOnlyWhereThereAreSubfolders() {
        MakeFolders(vk_test::Desktop(), {"Deep/inner", "OnlyHidden/.git", "Files", "Empty"});
        MakeFile(vk_test::Desktop() + "/Files/a.jpg");
        QVERIFY(
            QFile::link(vk_test::Desktop() + "/Deep", vk_test::Desktop() + "/Files/link to deep"));
        TFolderModel model;
        QVERIFY(model.hasChildren(DesktopChild(model, "Deep")));
        QVERIFY(!model.hasChildren(DesktopChild(model, "OnlyHidden")));
        QVERIFY(!model.hasChildren(DesktopChild(model, "Empty")));
        // A link to a folder is a folder, as a file manager shows it.
        const QModelIndex files = DesktopChild(model, "Files");
        QVERIFY(model.hasChildren(files));
        QCOMPARE(Names(model, Listed(model, files)), QStringList{"link to deep"});
        QVERIFY(model.hasChildren(model.DesktopIndex()));
    }

    void ANameThatIsNotUtf8KeepsItsBytes() {
        const QByteArray name("caf\xe9 \xff");
        QVERIFY(::mkdir(EncodeFileName(vk_test::Desktop() + "/Odd").constData(), 0755) == 0);
        const QByteArray odd = EncodeFileName(vk_test::Desktop() + "/Odd/") + name;
        QVERIFY(::mkdir(odd.constData(), 0755) == 0);
        TFolderModel model;
        const QModelIndex folder = Listed(model, DesktopChild(model, "Odd"));
        QCOMPARE(model.rowCount(folder), 1);
        QCOMPARE(EncodeFileName(model.Path(model.index(0, 0, folder))), odd);
        QVERIFY(model.IsFolder(model.index(0, 0, folder)));
        QVERIFY(::rmdir(odd.constData()) == 0);
    }

    void AFolderThatCannotBeListedShowsNothing() {
        MakeFolders(vk_test::Desktop(), {"Gone/inner", "Locked/inner"});
        TFolderModel model;
        const QModelIndex gone = DesktopChild(model, "Gone");
        QVERIFY(QDir(vk_test::Desktop() + "/Gone").removeRecursively());
        QVERIFY(!model.hasChildren(gone));
        model.fetchMore(gone);
        QCOMPARE(model.rowCount(gone), 0);
        QVERIFY(!model.IsFolder(gone));

        if (::geteuid() == 0)
            QSKIP("root reads a folder whatever its mode");
        const QModelIndex locked = DesktopChild(model, "Locked");
        QVERIFY(::chmod(EncodeFileName(vk_test::Desktop() + "/Locked").constData(), 0) == 0);
        QVERIFY(!model.hasChildren(locked));
        model.fetchMore(locked);
        QCOMPARE(model.rowCount(locked), 0);
        ::chmod(EncodeFileName(vk_test::Desktop() + "/Locked").constData(), 0755);
    }

    void AFolderRemovedWhileOpenKeepsItsNodes() {
        MakeFolders(vk_test::Desktop(), {"Trip/Day 1/raw", "Trip/Day 2"});
        TFolderModel model;
        const QModelIndex trip = Listed(model, DesktopChild(model, "Trip"));
        const QModelIndex day1 = model.index(0, 0, trip);
        QVERIFY(model.hasChildren(day1));
        QVERIFY(QDir(vk_test::Desktop() + "/Trip").removeRecursively());

        QCOMPARE(Names(model, trip), (QStringList{"Day 1", "Day 2"}));
        model.fetchMore(day1);
        QCOMPARE(model.rowCount(day1), 0);
        QVERIFY(!model.IsFolder(day1));
        QSignalSpy refused(&model, &TFolderModel::RenameRefused);
        QVERIFY(!model.setData(day1, QStringLiteral("Day one")));
        QCOMPARE(refused.count(), 1);
        QCOMPARE(day1.data().toString(), QStringLiteral("Day 1"));
    }

    void ARenameMovesTheFolderAndWhatIsListedBelowIt() {
        MakeFolders(vk_test::Desktop(), {"Old/inner/deeper", "Taken"});
        TFolderModel model;
        const QModelIndex old = DesktopChild(model, "Old");
        const QModelIndex inner = Listed(model, model.index(0, 0, Listed(model, old)));
        Listed(model, inner);
        QVERIFY(model.flags(old).testFlag(Qt::ItemIsEditable));
        QVERIFY(model.setData(old, QStringLiteral("New")));
        QCOMPARE(old.data().toString(), QStringLiteral("New"));
        QVERIFY(QDir(vk_test::Desktop() + "/New/inner/deeper").exists());
        QCOMPARE(model.Path(model.index(0, 0, inner)), vk_test::Desktop() + "/New/inner/deeper");

        // The same name, or none, changes nothing and reports nothing.
        QSignalSpy refused(&model, &TFolderModel::RenameRefused);
        QVERIFY(!model.setData(old, QStringLiteral("New")));
        QVERIFY(!model.setData(old, QString()));
        QCOMPARE(refused.count(), 0);
        // A name taken by another folder, or a name that is a path, is refused.
        QVERIFY(!model.setData(old, QStringLiteral("Taken")));
        QVERIFY(!model.setData(old, QStringLiteral("a/b")));
        QCOMPARE(refused.count(), 2);
        QCOMPARE(refused.at(0).at(0).toString(), QStringLiteral("Taken"));
        QVERIFY(QDir(vk_test::Desktop() + "/New/inner").exists());
        QVERIFY(QDir(vk_test::Desktop() + "/Taken").exists());
    }

    void TheDesktopHomeAndRootKeepTheirNames() {
        TFolderModel model;
        const QModelIndex desktop = model.DesktopIndex();
        for (const QModelIndex& index :
             {desktop, model.index(0, 0, desktop), model.index(1, 0, desktop)}) {
            QVERIFY(!model.CanRename(index));
            QVERIFY(!model.flags(index).testFlag(Qt::ItemIsEditable));
            QVERIFY(!model.setData(index, QStringLiteral("Other")));
        }
        QVERIFY(QDir(vk_test::Desktop()).exists());
    }

    void OnlyVolumesAUserWorksWithAreShown() {
        const QString home = QStringLiteral("/home/ann");
        QVERIFY(IsUserVolume("/media/ann/USB STICK", "vfat", home));
        QVERIFY(IsUserVolume("/run/media/ann/disk", "ext4", home));
        QVERIFY(IsUserVolume("/mnt/backup/", "ext4", home));
        QVERIFY(IsUserVolume("/home/ann/share", "nfs4", home));
        QVERIFY(!IsUserVolume("/home/ann", "ext4", home));
        QVERIFY(!IsUserVolume("/boot/efi", "vfat", home));
        QVERIFY(!IsUserVolume("/mediastore", "ext4", home));
        QVERIFY(!IsUserVolume("/media/ann/snap", "squashfs", home));
        QVERIFY(!IsUserVolume("/run/user/1000", "tmpfs", home));
    }
};

VK_TEST_MAIN(QCoreApplication, TestFolderModel)
#include "test_folder_model.moc"
