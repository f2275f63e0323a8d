// Times the folder scan and the import of a whole tree into a list shown by a real (offscreen)
// tree view, as "Add folder" does (events served during both), and the longest time events went
// unserved meanwhile.
//
//   import_tree FOLDER

#include <QApplication>
#include <QElapsedTimer>
#include <QTreeView>

#include <cstdio>

#include "app/FileListImport.h"
#include "app/FileListModel.h"
#include "app/FileListScan.h"

namespace {

// Serves events as the window does and measures the gaps between servings.
class TTimedView : public IFileListView {
public:
    explicit TTimedView(QTreeView& View) : FView(View) { FClock.start(); }

    qint64 LongestGap = 0;
    qint64 LongestImportGap = 0;
    bool Importing = false;

    bool Idle() const override { return !Importing; }
    void SetIdle(bool Value) override { Importing = !Value; }
    void SetStatusLabel1(const QString&) override {}
    void ShowWaitingCount() override {}
    void ShowFilesProcessed(int, int) override {}
    void ShowProgress(int) override {}
    void SetProgress(int) override {}
    void HideProgress() override {}
    void SetWaitCursor(bool) override {}
    void BeginListUpdate() override {
        FView.setUpdatesEnabled(false);
        FImportStart = FClock.nsecsElapsed();
    }
    // The import returns to the event loop right after this.
    void EndListUpdate() override {
        Served();
        FView.setUpdatesEnabled(true);
    }
    void ProcessMessages() override {
        Served();
        QCoreApplication::processEvents();
    }
    void ReportError(const QString& Text) override {
        std::fprintf(stderr, "%s\n", qPrintable(Text));
    }

private:
    // One serving of events: the gap since the last one, from the start (the scan included)
    // and from the import's start.
    void Served() {
        const qint64 now = FClock.nsecsElapsed();
        LongestGap = std::max(LongestGap, now - FLast);
        LongestImportGap = std::max(LongestImportGap, now - std::max(FLast, FImportStart));
        FLast = now;
    }

    QTreeView& FView;
    QElapsedTimer FClock;
    qint64 FLast = 0;
    qint64 FImportStart = 0;
};

double Seconds(qint64 Nanoseconds) {
    return static_cast<double>(Nanoseconds) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: import_tree FOLDER\n");
        return 2;
    }
    TFileListModel list;
    QTreeView tree;
    tree.setUniformRowHeights(true);
    tree.setRootIsDecorated(false);
    tree.setModel(&list);
    tree.resize(700, 300);
    tree.show();
    QCoreApplication::processEvents();

    TTimedView view(tree);
    QElapsedTimer clock;
    clock.start();
    QStringList paths;
    view.Importing = true;
    CollectFolderFiles(QString::fromLocal8Bit(argv[1]) + u'/', paths,
                       [&view] { view.ProcessMessages(); });
    const qint64 collected = clock.nsecsElapsed();
    const bool imported = ImportFileList(list, paths, view);
    const qint64 done = clock.nsecsElapsed();
    QCoreApplication::processEvents();

    clock.restart();
    list.SortByColumn(TFileListModel::FolderColumn);
    QCoreApplication::processEvents();
    const qint64 sorted = clock.nsecsElapsed();

    std::printf("files %lld\nrows %d\ncollect %.3f\nimport %.3f\ntotal %.3f\n",
                static_cast<long long>(paths.size()), list.Count(), Seconds(collected),
                Seconds(done - collected), Seconds(done));
    std::printf("longest_gap %.3f\nlongest_gap_in_import %.4f\nsort %.3f\n",
                Seconds(view.LongestGap), Seconds(view.LongestImportGap), Seconds(sorted));
    return imported ? 0 : 1;
}
