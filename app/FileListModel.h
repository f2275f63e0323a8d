#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>
#include <QTimer>

#include "app/FileListEntry.h"
#include "batch/BatchList.h"

// The file list: the rows waiting to be processed, in the order the view shows them. Rows are
// appended by the import, reordered only by SortByColumn, and leave through removal, Clear and
// the batch run; the rows a run has taken stay at the top, shown in italics, until their files
// are handled. What a run changes is shown a few times a second, not file by file, so that a
// view redraws its rows a few times a second however fast files go. Knows no widget; the
// window's list view shows it.
class TFileListModel : public QAbstractTableModel, public IBatchList {
    Q_OBJECT

public:
    enum TColumn { FileNameColumn, TypeColumn, SizeColumn, FolderColumn, ColumnCount };
    enum TRole {
        // The row's icon index, 0 to 5, on every column.
        IconIndexRole = Qt::UserRole + 1,
        // In headerData: the column's width in pixels.
        ColumnWidthRole,
    };

    explicit TFileListModel(QObject* Parent = nullptr);

    int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation,
                        int Role = Qt::DisplayRole) const override;
    bool removeRows(int Row, int Count, const QModelIndex& Parent = QModelIndex()) override;

    // The icons Qt::DecorationRole gives beside the caption, by icon index.
    void SetRowIcons(const QList<QIcon>& Icons);

    const FileListEntry& Entry(int Row) const { return FRows[Row]; }
    // A row for the end of the list, held back until CommitStaged or the next sort: a view is
    // told of a whole import at once, not of every block of it.
    void StageEntry(const FileListEntry& Entry);
    void CommitStaged();
    // Removes the given rows, in any order, duplicates allowed.
    void RemoveRowSet(QList<int> Rows);
    void Clear();

    // Sorts by Column in the current direction, then turns the direction round for the next
    // sort, whatever column that is. Equal rows keep their order; staged rows are sorted in.
    // Rows under way stay at the top: only the waiting rows are sorted.
    void SortByColumn(int Column);
    int SortColumn() const { return FSortColumn; }
    int SortDirection() const { return FSortDirection; }

    int Count() const { return static_cast<int>(FRows.size()); }

    // The run's view of the list. An entry deleted stays a row, under way, until the changes
    // of the run are shown.
    int WaitingCount() const override { return Count() - FUnderWay; }
    std::optional<TListedFile> TakeNext() override;
    void DeleteEntry(quint64 Key) override;
    // The entry stays under way to the run's end, then waits again.
    void KeepEntry(quint64 Key) override;
    void RunEnded() override;
    // Shows what the run changed since the last time: removes the rows of the files handled
    // and marks the rows taken. Also done by itself shortly after each change.
    void ShowRunChanges();

private:
    int RowOfKey(quint64 Key) const;
    // A change of the run to show soon.
    void RunChanged();

    QList<FileListEntry> FRows;
    QList<FileListEntry> FStaged;
    QList<QIcon> FRowIcons;
    int FSortColumn = FileNameColumn;
    int FSortDirection = 1;
    quint64 FNextKey = 1;
    int FUnderWay = 0;
    // Keys of the entries handled, and the rows taken, since the run's changes were last shown.
    QList<quint64> FHandled;
    int FFirstTaken = -1;
    int FLastTaken = -1;
    QTimer FShowRunChanges;
};
