// Filling the list: the import's texts, progress and event serving in their order, an import
// that stops at a file it cannot open, and the additions of files, folders and drops.

#include <sys/stat.h>

#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "TreeFiles.h"
#include "app/FileListImport.h"
#include "app/FileListModel.h"
#include "platform/FileNames.h"
#include "support/TestMain.h"

namespace {

// Records what the window is asked to do, in order.
class TViewStub : public IFileListView {
public:
    explicit TViewStub(TFileListModel& List) : FList(List) {}

    QStringList Calls;
    QList<int> Positions;
    // The progress position at each serving of events during an import.
    QList<int> PumpsAt;
    int ScanPumps = 0;
    bool IsIdle = true;
    int Updating = 0;
    std::function<void()> OnPump;

    bool Idle() const override { return IsIdle; }
    void SetIdle(bool Value) override {
        IsIdle = Value;
        Calls << QStringLiteral("idle %1").arg(Value);
    }
    void SetStatusLabel1(const QString& Text) override { Calls << Text; }
    void ShowWaitingCount() override { Calls << QStringLiteral("waiting %1").arg(FList.Count()); }
    void ShowFilesProcessed(int Done, int Total) override {
        Calls << QStringLiteral("processed %1 of %2").arg(Done).arg(Total);
    }
    void ShowProgress(int Maximum) override { Calls << QStringLiteral("progress %1").arg(Maximum); }
    void SetProgress(int Position) override { Positions << Position; }
    void HideProgress() override { Calls << QStringLiteral("progress hidden"); }
    void SetWaitCursor(bool On) override { Calls << QStringLiteral("hourglass %1").arg(On); }
    void BeginListUpdate() override {
        ++Updating;
        Calls << QStringLiteral("frozen");
    }
    void EndListUpdate() override {
        --Updating;
        Calls << QStringLiteral("redrawn");
    }
    // Events are served only while the window is busy, so no command runs meanwhile.
    void ProcessMessages() override {
        QVERIFY(!IsIdle);
        if (Updating == 0) {
            ++ScanPumps;
            return;
        }
        PumpsAt << Positions.last();
        if (OnPump)
            OnPump();
    }
    void ReportError(const QString& Text) override { Calls << QStringLiteral("error ") + Text; }

private:
    TFileListModel& FList;
};

QStringList Paths(const TFileListModel& List) {
    QStringList paths;
    for (int row = 0; row < List.Count(); ++row)
        paths << EntryFullPath(List.Entry(row));
    return paths;
}

// Count files named 0.jpg, 1.jpg ... in Folder, each as many bytes as its number.
QStringList MakeFiles(const QString& Folder, int Count) {
    QStringList paths;
    for (int i = 0; i < Count; ++i) {
        paths << Folder + QStringLiteral("/%1.jpg").arg(i);
        if (!vk_test::MakeFile(EncodeFileName(paths.last()), i))
            return {};
    }
    return paths;
}

} // namespace

class TestFileListImport : public QObject {
    Q_OBJECT

private slots:
    void importShowsItsWorkInOrder() {
        QTemporaryDir folder;
        const QStringList paths = MakeFiles(folder.path(), 403);
        QCOMPARE(paths.size(), 403);
        TFileListModel list;
        TViewStub view(list);
        QVERIFY(ImportFileList(list, paths, view));

        QCOMPARE(view.Calls,
                 QStringList({"idle 0", "Importing list of files(403)...", "progress 403", "frozen",
                              "redrawn", "processed 0 of 403", "progress hidden", "idle 1"}));
        QList<int> positions;
        for (int i = 0; i <= 400; i += 5)
            positions << i;
        QCOMPARE(view.Positions, positions << 402);
        QCOMPARE(view.PumpsAt, QList<int>({0, 200, 400}));
        QCOMPARE(Paths(list), paths);
        QCOMPARE(list.Entry(402).SizeText, QStringLiteral("402  B"));
    }

    // A column click served while the import serves events sorts the rows made so far; later
    // rows come below them.
    void sortWhileImporting() {
        QTemporaryDir folder;
        const QStringList paths = MakeFiles(folder.path(), 205);
        TFileListModel list;
        TViewStub view(list);
        view.OnPump = [&] {
            if (view.PumpsAt.size() == 2)
                list.SortByColumn(TFileListModel::SizeColumn);
        };
        list.SortByColumn(TFileListModel::SizeColumn); // the next sort is descending
        QVERIFY(ImportFileList(list, paths, view));
        QCOMPARE(list.Count(), 205);
        QCOMPARE(list.Entry(0).SizeText, QStringLiteral("200  B"));
        QCOMPARE(list.Entry(200).SizeText, QStringLiteral("0  B"));
        QCOMPARE(list.Entry(201).SizeText, QStringLiteral("201  B"));
    }

    // The import stops at a file it cannot open: the rows before it stay, the row for it and the
    // paths after it are not added, and the window is idle again before the error is shown.
    void importStopsAtAFileItCannotOpen_data() {
        QTest::addColumn<QString>("badName");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << QStringLiteral("gone.jpg")
                                 << QStringLiteral("No such file or directory");
        QTest::newRow("folder") << QStringLiteral("sub") << QStringLiteral("Is a directory");
    }
    void importStopsAtAFileItCannotOpen() {
        QFETCH(QString, badName);
        QFETCH(QString, reason);
        QTemporaryDir folder;
        QStringList paths = MakeFiles(folder.path(), 4);
        QVERIFY(vk_test::MakeFolder(EncodeFileName(folder.path() + QStringLiteral("/sub"))));
        const QString bad = folder.path() + u'/' + badName;
        paths.insert(2, bad);
        TFileListModel list;
        list.StageEntry(EntryForPath(QStringLiteral("/listed/before.png"), 1));
        list.CommitStaged();
        TViewStub view(list);
        AddChosenFiles(list, paths, view);

        QCOMPARE(Paths(list), QStringList({"/listed/before.png", paths[0], paths[1]}));
        QCOMPARE(
            view.Calls,
            QStringList({"hourglass 1", "idle 0", "Importing list of files(5)...", "progress 5",
                         "frozen", "redrawn", "processed 0 of 3", "progress hidden", "idle 1",
                         QStringLiteral("error Cannot open file \"%1\". %2").arg(bad, reason),
                         "hourglass 0"}));
    }

    // Files that are not regular are listed without being opened, so a pipe cannot stall the
    // import; one that may not be read stops it.
    void pipesAndRights() {
        QTemporaryDir folder;
        const QString pipe = folder.path() + QStringLiteral("/pipe");
        QCOMPARE(::mkfifo(EncodeFileName(pipe).constData(), 0644), 0);
        TFileListModel list;
        TViewStub view(list);
        QVERIFY(ImportFileList(list, {pipe}, view));
        QCOMPARE(list.Entry(0).SizeText, QStringLiteral("0  B"));

        if (::geteuid() == 0)
            QSKIP("root may read every file");
        const QString closed = MakeFiles(folder.path(), 1).first();
        QCOMPARE(::chmod(EncodeFileName(closed).constData(), 0), 0);
        QVERIFY(!ImportFileList(list, {closed}, view));
        QVERIFY(view.Calls.last().endsWith(QStringLiteral("Permission denied")));
        QCOMPARE(list.Count(), 1);
    }

    // Two files and a folder dropped: the files, then everything below the folder, in drop
    // order; names that are not UTF-8 survive the trip.
    void dropsKeepTheirOrder() {
        vk_test::ByteNamedFolder folder;
        const QByteArray root = EncodeFileName(folder.path());
        QVERIFY(vk_test::MakeFile(root + "/z.jpg", 3) && vk_test::MakeFile(root + "/caf\xe9.png"));
        QVERIFY(vk_test::MakeFolder(root + "/tree") && vk_test::MakeFile(root + "/tree/a.gif"));
        QVERIFY(vk_test::MakeFolder(root + "/tree/b") && vk_test::MakeFile(root + "/tree/b/c"));
        QMimeData data;
        data.setData(QStringLiteral("text/uri-list"),
                     "file://" + root.toPercentEncoding("/") + "/z.jpg\r\nfile://" +
                         root.toPercentEncoding("/") + "/caf%E9.png\r\nfile://" +
                         root.toPercentEncoding("/") + "/tree\r\n");
        TFileListModel list;
        TViewStub view(list);
        AddDroppedFiles(list, data, view);

        const QStringList paths = Paths(list);
        QCOMPARE(paths.size(), 4);
        QCOMPARE(paths.mid(0, 2), QStringList({DecodeFileName(root + "/z.jpg"),
                                               DecodeFileName(root + "/caf\xe9.png")}));
        QVERIFY(paths.contains(DecodeFileName(root + "/tree/a.gif")));
        QVERIFY(paths.contains(DecodeFileName(root + "/tree/b/c")));
        QCOMPARE(view.Calls.mid(0, 3), QStringList({"Please wait while getting list of files...",
                                                    "hourglass 1", "idle 0"}));
        QCOMPARE(view.Calls.mid(view.Calls.size() - 3),
                 QStringList({"idle 1", "hourglass 0", "waiting 4"}));
    }

    // A drop while the window is busy changes nothing, not even a text.
    void dropsRefusedWhileBusy() {
        QTemporaryDir folder;
        const QStringList paths = MakeFiles(folder.path(), 1);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(paths.first())});
        TFileListModel list;
        TViewStub view(list);
        view.IsIdle = false;
        AddDroppedFiles(list, data, view);
        QCOMPARE(list.Count(), 0);
        QVERIFY(view.Calls.isEmpty());
    }

    void emptyFolderShowsTheCountsAnyway() {
        QTemporaryDir folder;
        TFileListModel list;
        list.StageEntry(EntryForPath(QStringLiteral("/listed/before.png"), 1));
        list.CommitStaged();
        TViewStub view(list);
        AddFolderFiles(list, folder.path() + u'/', view);
        QCOMPARE(list.Count(), 1);
        QCOMPARE(view.Calls,
                 QStringList({"Please wait while getting list of files...", "hourglass 1", "idle 0",
                              "idle 0", "Importing list of files(0)...", "progress 0", "frozen",
                              "redrawn", "processed 0 of 1", "progress hidden", "idle 1",
                              "hourglass 0", "waiting 1"}));
        QVERIFY(view.Positions.isEmpty());
    }

    // A large tree does not freeze the window while it is scanned.
    void scanServesEvents() {
        QTemporaryDir folder;
        QVERIFY(vk_test::MakeFolder(EncodeFileName(folder.path() + QStringLiteral("/a"))));
        QCOMPARE(MakeFiles(folder.path() + QStringLiteral("/a"), 450).size(), 450);
        TFileListModel list;
        TViewStub view(list);
        AddFolderFiles(list, folder.path() + u'/', view);
        QCOMPARE(list.Count(), 450);
        QVERIFY(view.ScanPumps >= 2);
        QCOMPARE(view.PumpsAt, QList<int>({0, 200, 400}));
    }
};

VK_TEST_MAIN(QCoreApplication, TestFileListImport)
#include "test_file_list_import.moc"
