// The list as the window shows it and the run consumes it: columns, the alternating sort,
// removals, and the run's deletions while the user re-sorts.

#include <QFont>
#include <QGuiApplication>
#include <QIcon>
#include <QPersistentModelIndex>
#include <QPixmap>
#include <QTest>

#include "app/FileListModel.h"
#include "support/TestMain.h"

namespace {

void Fill(TFileListModel& List, const QList<QPair<QString, qint64>>& Files) {
    for (const auto& [path, size] : Files)
        List.StageEntry(EntryForPath(path, size));
    List.CommitStaged();
}

QStringList Paths(const TFileListModel& List) {
    QStringList paths;
    for (int row = 0; row < List.Count(); ++row)
        paths << EntryFullPath(List.Entry(row));
    return paths;
}

QStringList Column(const TFileListModel& List, int Column) {
    QStringList texts;
    for (int row = 0; row < List.rowCount(); ++row)
        texts << List.data(List.index(row, Column)).toString();
    return texts;
}

} // namespace

class TestFileListModel : public QObject {
    Q_OBJECT

private slots:
    void columnsAsTheViewNeedsThem() {
        TFileListModel list;
        Fill(list, {{"/p/a.jpg", 7}});
        QCOMPARE(list.columnCount(), 4);
        const QStringList captions = {"File name", "Type", "Size", "Folder"};
        const QList<int> widths = {150, 100, 100, 200};
        const QList<Qt::Alignment> alignments = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                                 Qt::AlignLeft};
        for (int column = 0; column < 4; ++column) {
            QCOMPARE(list.headerData(column, Qt::Horizontal).toString(), captions[column]);
            QCOMPARE(
                list.headerData(column, Qt::Horizontal, TFileListModel::ColumnWidthRole).toInt(),
                widths[column]);
            const auto alignment =
                Qt::Alignment(list.data(list.index(0, column), Qt::TextAlignmentRole).toInt());
            QCOMPARE(alignment & Qt::AlignHorizontal_Mask, alignments[column]);
            const auto header = Qt::Alignment(
                list.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt());
            QCOMPARE(header & Qt::AlignHorizontal_Mask, alignments[column]);
        }
        QCOMPARE(Column(list, 0) + Column(list, 1) + Column(list, 2) + Column(list, 3),
                 QStringList({"a", "jpg", "7  B", "/p/"}));
        QCOMPARE(list.data(list.index(0, 2), TFileListModel::IconIndexRole).toInt(), 1);

        QVERIFY(list.data(list.index(0, 0), Qt::DecorationRole).isNull());
        QList<QIcon> icons;
        for (int i = 0; i < 6; ++i) {
            QPixmap pixmap(16, 16);
            pixmap.fill(QColor(i * 40, 0, 0));
            icons << QIcon(pixmap);
        }
        list.SetRowIcons(icons);
        const QIcon shown = list.data(list.index(0, 0), Qt::DecorationRole).value<QIcon>();
        QCOMPARE(shown.cacheKey(), icons[1].cacheKey());
    }

    // Each click sorts in the direction the previous click left, on whatever column.
    void sortDirectionAlternatesAcrossColumns() {
        TFileListModel list;
        Fill(list, {{"/b/x10000.jpg", 10000}, {"/a/y999.jpg", 999}, {"/c/z2048.jpg", 2048}});
        QCOMPARE(list.SortColumn(), 0);
        QCOMPARE(list.SortDirection(), 1);
        list.SortByColumn(TFileListModel::SizeColumn);
        QCOMPARE(Column(list, 2), QStringList({"999  B", "2048  B", "10000  B"}));
        QCOMPARE(list.SortDirection(), -1);
        list.SortByColumn(TFileListModel::SizeColumn);
        QCOMPARE(Column(list, 2), QStringList({"10000  B", "2048  B", "999  B"}));
        list.SortByColumn(TFileListModel::FileNameColumn);
        QCOMPARE(Column(list, 0), QStringList({"x10000", "y999", "z2048"}));
        list.SortByColumn(TFileListModel::FolderColumn);
        QCOMPARE(Column(list, 3), QStringList({"/c/", "/b/", "/a/"}));
        QCOMPARE(list.SortColumn(), 3);
        QCOMPARE(list.SortDirection(), 1);
        // Rows added after a sort come below the sorted rows.
        Fill(list, {{"/0/first.png", 1}});
        QCOMPARE(Column(list, 3).last(), QStringLiteral("/0/"));
    }

    void textColumnsIgnoreAsciiCaseOnly() {
        TFileListModel list;
        Fill(list, {{"/p/beach.jpg", 1},
                    {"/p/\xc3\xa9t\xc3\xa9.jpg", 2},
                    {"/p/BEACH.JPG", 3},
                    {"/p/Zoo.gif", 4},
                    {"/p/apple.GIF", 5}});
        list.SortByColumn(TFileListModel::FileNameColumn);
        // Equal names keep their order; the accented name sorts by its bytes, after "Z".
        QCOMPARE(Column(list, 0), QStringList({"apple", "beach", "BEACH", "Zoo", "été"}));
        list.SortByColumn(TFileListModel::TypeColumn);
        QCOMPARE(Column(list, 1), QStringList({"jpg", "JPG", "jpg", "GIF", "gif"}));
    }

    // Staged rows stay out of sight until committed, or until a sort takes them in.
    void stagedRows() {
        TFileListModel list;
        Fill(list, {{"/p/b.jpg", 1}});
        list.StageEntry(EntryForPath(QStringLiteral("/p/a.jpg"), 2));
        QCOMPARE(list.rowCount(), 1);
        QCOMPARE(list.Count(), 1);
        list.SortByColumn(TFileListModel::FileNameColumn);
        QCOMPARE(Paths(list), QStringList({"/p/a.jpg", "/p/b.jpg"}));
        list.CommitStaged();
        QCOMPARE(list.Count(), 2);
    }

    // A selection made before a sort stays on the same files.
    void selectionFollowsItsRows() {
        TFileListModel list;
        Fill(list, {{"/p/c.jpg", 1}, {"/p/a.jpg", 2}, {"/p/b.jpg", 3}});
        const QPersistentModelIndex selected = list.index(0, 1);
        list.SortByColumn(TFileListModel::FileNameColumn);
        QCOMPARE(selected.row(), 2);
        QCOMPARE(selected.column(), 1);
        QCOMPARE(list.Entry(selected.row()).FileName, QStringLiteral("c"));
    }

    void removingAndClearing() {
        TFileListModel list;
        Fill(list, {{"/p/0", 0}, {"/p/1", 1}, {"/p/2", 2}, {"/p/3", 3}, {"/p/4", 4}, {"/p/5", 5}});
        list.RemoveRowSet({3, 0, 3, 1, 5});
        QCOMPARE(Paths(list), QStringList({"/p/2", "/p/4"}));
        list.RemoveRowSet({});
        QCOMPARE(list.Count(), 2);
        QVERIFY(!list.removeRows(1, 2));
        list.Clear();
        QCOMPARE(list.rowCount(), 0);
    }

    // The run takes the first waiting row, which stays at the top in italics through a sort,
    // and deletes the entry it took wherever it stands; of two equal rows only one goes.
    void theRunsList() {
        TFileListModel list;
        Fill(list, {{"/p/README", 2}, {"/p/b.jpg", 1}, {"/p/a.jpg", 3}, {"/p/README", 2}});
        IBatchList& run = list;
        QCOMPARE(run.WaitingCount(), 4);
        const std::optional<TListedFile> first = run.TakeNext();
        QCOMPARE(first->Path, QStringLiteral("/p/README"));
        QVERIFY(list.index(0, 0).data(Qt::FontRole).value<QFont>().italic());
        list.SortByColumn(TFileListModel::FileNameColumn);
        QCOMPARE(Paths(list), QStringList({"/p/README", "/p/a.jpg", "/p/b.jpg", "/p/README"}));
        const std::optional<TListedFile> second = run.TakeNext();
        QCOMPARE(second->Path, QStringLiteral("/p/a.jpg"));
        QCOMPARE(run.WaitingCount(), 2);
        // The row goes when the run's changes are shown: at once when asked, else shortly.
        run.DeleteEntry(first->Key);
        QCOMPARE(list.Count(), 4);
        QTRY_COMPARE(Paths(list), QStringList({"/p/a.jpg", "/p/b.jpg", "/p/README"}));
        run.DeleteEntry(first->Key);
        list.ShowRunChanges();
        QCOMPARE(list.Count(), 3);
        QVERIFY(!list.index(1, 0).data(Qt::FontRole).isValid());

        // A file whose outputs were not all written stays, not taken again by the run, and
        // waits again once the run is over.
        run.KeepEntry(second->Key);
        QCOMPARE(run.TakeNext()->Path, QStringLiteral("/p/b.jpg"));
        QCOMPARE(run.TakeNext()->Path, QStringLiteral("/p/README"));
        QCOMPARE(run.TakeNext(), std::nullopt);
        run.RunEnded();
        QCOMPARE(run.WaitingCount(), 1);
        QCOMPARE(run.TakeNext()->Path, QStringLiteral("/p/a.jpg"));
    }
};

VK_TEST_MAIN(QGuiApplication, TestFileListModel)
#include "test_file_list_model.moc"
