#pragma once

#include <QIcon>
#include <QPersistentModelIndex>

#include "platform/FolderModel.h"

// The folder model as the Add-folder tree shows it: icons from the desktop's icon theme (the
// style's own where the theme has none), the open-folder icon on the current node, and the
// hourglass while a folder is listed.
class TFolderTreeModel : public TFolderModel {
    Q_OBJECT

public:
    explicit TFolderTreeModel(QObject* Parent = nullptr);

    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    void fetchMore(const QModelIndex& Parent) override;

    // The node that shows the open-folder icon.
    void SetCurrent(const QModelIndex& Index);

private:
    QIcon FFolderIcon;
    QIcon FOpenFolderIcon;
    QIcon FDesktopIcon;
    QIcon FHomeIcon;
    QIcon FDriveIcon;
    QIcon FVolumeIcon;
    QPersistentModelIndex FCurrent;
};
