#include "FileListModel.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include <QFont>

#include "platform/FileNames.h"

namespace {

struct TColumnLook {
    const char* Caption;
    int Width;
    Qt::Alignment Alignment;
};

constexpr TColumnLook kColumns[TFileListModel::ColumnCount] = {
    {"File name", 150, Qt::AlignLeft | Qt::AlignVCenter},
    {"Type", 100, Qt::AlignHCenter | Qt::AlignVCenter},
    {"Size", 100, Qt::AlignRight | Qt::AlignVCenter},
    {"Folder", 200, Qt::AlignLeft | Qt::AlignVCenter},
};

const QString& ColumnText(const FileListEntry& Entry, int Column) {
    switch (Column) {
    case TFileListModel::FileNameColumn:
        return Entry.FileName;
    case TFileListModel::TypeColumn:
        return Entry.FileType;
    case TFileListModel::SizeColumn:
        return Entry.SizeText;
    default:
        return Entry.Folder;
    }
}

// The order of the rows sorted by Column in Direction: the row each new place takes its entry
// from. The keys are made once, so the comparisons touch neither the disk nor the text codec.
std::vector<int> SortedOrder(const QList<FileListEntry>& Rows, int Column, int Direction) {
    std::vector<int> order(Rows.size());
    std::iota(order.begin(), order.end(), 0);
    if (Column == TFileListModel::SizeColumn) {
        std::vector<qint64> sizes;
        sizes.reserve(Rows.size());
        for (const FileListEntry& entry : Rows)
            sizes.push_back(SizeFromText(entry.SizeText));
        std::stable_sort(order.begin(), order.end(), [&](int A, int B) {
            const int compare = sizes[A] == sizes[B] ? 0 : sizes[A] > sizes[B] ? 1 : -1;
            return compare * Direction < 0;
        });
    } else {
        std::vector<QByteArray> keys;
        keys.reserve(Rows.size());
        for (const FileListEntry& entry : Rows)
            keys.push_back(EncodeFileName(ColumnText(entry, Column)));
        std::stable_sort(order.begin(), order.end(), [&](int A, int B) {
            const int compare = CompareText(keys[A], keys[B]);
            return (compare > 0 ? 1 : compare < 0 ? -1 : 0) * Direction < 0;
        });
    }
    return order;
}

} // namespace

namespace {

// How long a run's changes wait before the rows show them.
constexpr int kRunChangesMilliseconds = 100;

} // namespace

TFileListModel::TFileListModel(QObject* Parent) : QAbstractTableModel(Parent) {
    FShowRunChanges.setSingleShot(true);
    FShowRunChanges.setInterval(kRunChangesMilliseconds);
    connect(&FShowRunChanges, &QTimer::timeout, this, &TFileListModel::ShowRunChanges);
}

int TFileListModel::rowCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : Count();
}

int TFileListModel::columnCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : ColumnCount;
}

QVariant TFileListModel::data(const QModelIndex& Index, int Role) const {
    if (!checkIndex(Index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const FileListEntry& entry = FRows[Index.row()];
    switch (Role) {
    case Qt::DisplayRole:
        return ColumnText(entry, Index.column());
    case Qt::TextAlignmentRole:
        return static_cast<int>(kColumns[Index.column()].Alignment);
    case Qt::DecorationRole:
        if (Index.column() == FileNameColumn && entry.IconIndex < FRowIcons.size())
            return FRowIcons[entry.IconIndex];
        return {};
    case IconIndexRole:
        return entry.IconIndex;
    case Qt::FontRole:
        if (entry.UnderWay) {
            QFont underWay;
            underWay.setItalic(true);
            return underWay;
        }
        return {};
    default:
        return {};
    }
}

QVariant TFileListModel::headerData(int Section, Qt::Orientation Orientation, int Role) const {
    if (Orientation != Qt::Horizontal || Section < 0 || Section >= ColumnCount)
        return QAbstractTableModel::headerData(Section, Orientation, Role);
    switch (Role) {
    case Qt::DisplayRole:
        return QString::fromLatin1(kColumns[Section].Caption);
    case Qt::TextAlignmentRole:
        return static_cast<int>(kColumns[Section].Alignment);
    case ColumnWidthRole:
        return kColumns[Section].Width;
    default:
        return {};
    }
}

bool TFileListModel::removeRows(int Row, int Count, const QModelIndex& Parent) {
    if (Parent.isValid() || Row < 0 || Count <= 0 || Row + Count > FRows.size())
        return false;
    beginRemoveRows(QModelIndex(), Row, Row + Count - 1);
    for (int row = Row; row < Row + Count; ++row)
        FUnderWay -= FRows[row].UnderWay ? 1 : 0;
    FRows.remove(Row, Count);
    endRemoveRows();
    return true;
}

void TFileListModel::SetRowIcons(const QList<QIcon>& Icons) {
    FRowIcons = Icons;
    if (!FRows.isEmpty())
        emit dataChanged(index(0, FileNameColumn), index(Count() - 1, FileNameColumn),
                         {Qt::DecorationRole});
}

void TFileListModel::StageEntry(const FileListEntry& Entry) {
    FStaged.append(Entry);
    FStaged.back().Key = FNextKey++;
    FStaged.back().UnderWay = FStaged.back().Kept = false;
}

void TFileListModel::CommitStaged() {
    if (FStaged.isEmpty())
        return;
    beginInsertRows(QModelIndex(), Count(), Count() + static_cast<int>(FStaged.size()) - 1);
    FRows.append(std::exchange(FStaged, {}));
    endInsertRows();
}

void TFileListModel::RemoveRowSet(QList<int> Rows) {
    std::sort(Rows.begin(), Rows.end(), std::greater<int>());
    Rows.erase(std::unique(Rows.begin(), Rows.end()), Rows.end());
    // From the bottom up, one removal per run of adjacent rows.
    for (qsizetype i = 0; i < Rows.size();) {
        qsizetype last = i;
        while (last + 1 < Rows.size() && Rows[last + 1] == Rows[last] - 1)
            ++last;
        removeRows(Rows[last], static_cast<int>(last - i + 1));
        i = last + 1;
    }
}

void TFileListModel::Clear() {
    beginResetModel();
    FRows.clear();
    FUnderWay = 0;
    FHandled.clear();
    FFirstTaken = FLastTaken = -1;
    endResetModel();
}

void TFileListModel::SortByColumn(int Column) {
    ShowRunChanges();
    CommitStaged();
    FSortColumn = std::clamp<int>(Column, FileNameColumn, FolderColumn);
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> order = SortedOrder(FRows, FSortColumn, FSortDirection);
    std::stable_partition(order.begin(), order.end(),
                          [this](int Row) { return FRows[Row].UnderWay; });
    std::vector<int> newRowOf(order.size());
    QList<FileListEntry> sorted;
    sorted.reserve(FRows.size());
    for (int row = 0; row < static_cast<int>(order.size()); ++row) {
        newRowOf[order[row]] = row;
        sorted.append(std::move(FRows[order[row]]));
    }
    FRows = std::move(sorted);
    // Selections and the current row follow their entries.
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from)
        to.append(this->index(newRowOf[index.row()], index.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    FSortDirection = -FSortDirection;
}

std::optional<TListedFile> TFileListModel::TakeNext() {
    // Rows under way stay at the top, so the first waiting row is found at once.
    for (int row = 0; row < Count(); ++row) {
        FileListEntry& entry = FRows[row];
        if (!entry.UnderWay) {
            entry.UnderWay = true;
            ++FUnderWay;
            FFirstTaken = FFirstTaken < 0 ? row : std::min(FFirstTaken, row);
            FLastTaken = std::max(FLastTaken, row);
            RunChanged();
            return TListedFile{entry.Key, EntryFullPath(entry), QString()};
        }
    }
    return std::nullopt;
}

void TFileListModel::DeleteEntry(quint64 Key) {
    FHandled.append(Key);
    RunChanged();
}

void TFileListModel::KeepEntry(quint64 Key) {
    if (const int row = RowOfKey(Key); row >= 0)
        FRows[row].Kept = true;
}

void TFileListModel::RunEnded() {
    ShowRunChanges();
    int first = -1;
    int last = -1;
    for (int row = 0; row < Count(); ++row) {
        FileListEntry& entry = FRows[row];
        if (entry.Kept) {
            entry.Kept = entry.UnderWay = false;
            --FUnderWay;
            first = first < 0 ? row : first;
            last = row;
        }
    }
    if (first >= 0)
        emit dataChanged(index(first, 0), index(last, ColumnCount - 1), {Qt::FontRole});
}

void TFileListModel::RunChanged() {
    if (!FShowRunChanges.isActive())
        FShowRunChanges.start();
}

void TFileListModel::ShowRunChanges() {
    FShowRunChanges.stop();
    if (FFirstTaken >= 0 && FLastTaken < Count())
        emit dataChanged(index(FFirstTaken, 0), index(FLastTaken, ColumnCount - 1), {Qt::FontRole});
    FFirstTaken = FLastTaken = -1;
    QList<int> rows;
    for (const quint64 key : std::exchange(FHandled, {})) {
        if (const int row = RowOfKey(key); row >= 0)
            rows << row;
    }
    RemoveRowSet(rows);
}

int TFileListModel::RowOfKey(quint64 Key) const {
    for (int row = 0; row < Count(); ++row) {
        if (FRows[row].Key == Key)
            return row;
    }
    return -1;
}
