#include "FolderTreeModel.h"

#include <QApplication>
#include <QStyle>

#include "platform/WaitCursor.h"

namespace {

QIcon ThemeIcon(const QString& Name, QStyle::StandardPixmap Fallback) {
    return QIcon::fromTheme(Name, QApplication::style()->standardIcon(Fallback));
}

} // namespace

TFolderTreeModel::TFolderTreeModel(QObject* Parent)
    : TFolderModel(Parent), FFolderIcon(ThemeIcon(QStringLiteral("folder"), QStyle::SP_DirIcon)),
      FOpenFolderIcon(ThemeIcon(QStringLiteral("folder-open"), QStyle::SP_DirOpenIcon)),
      FDesktopIcon(ThemeIcon(QStringLiteral("user-desktop"), QStyle::SP_DesktopIcon)),
      FHomeIcon(ThemeIcon(QStringLiteral("user-home"), QStyle::SP_DirHomeIcon)),
      FDriveIcon(ThemeIcon(QStringLiteral("drive-harddisk"), QStyle::SP_DriveHDIcon)),
      FVolumeIcon(ThemeIcon(QStringLiteral("drive-removable-media"), QStyle::SP_DriveHDIcon)) {}

QVariant TFolderTreeModel::data(const QModelIndex& Index, int Role) const {
    if (Role != Qt::DecorationRole || !Index.isValid())
        return TFolderModel::data(Index, Role);
    switch (static_cast<TKind>(TFolderModel::data(Index, KindRole).toInt())) {
    case TKind::Desktop:
        return FDesktopIcon;
    case TKind::Home:
        return FHomeIcon;
    case TKind::FileSystemRoot:
        return FDriveIcon;
    case TKind::Volume:
        return FVolumeIcon;
    case TKind::Folder:
        break;
    }
    return Index == FCurrent ? FOpenFolderIcon : FFolderIcon;
}

void TFolderTreeModel::fetchMore(const QModelIndex& Parent) {
    const TWaitCursor wait;
    TFolderModel::fetchMore(Parent);
}

void TFolderTreeModel::SetCurrent(const QModelIndex& Index) {
    const QPersistentModelIndex previous = FCurrent;
    FCurrent = Index;
    if (previous.isValid())
        emit dataChanged(previous, previous, {Qt::DecorationRole});
    if (Index.isValid())
        emit dataChanged(Index, Index, {Qt::DecorationRole});
}
