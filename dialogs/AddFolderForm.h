#pragma once

#include <QDialog>
#include <QString>

#include "dialogs/MessageDialogs.h"

class QFrame;
class QPushButton;
class QTreeView;
class TFolderTreeModel;

// The Add-folder dialog: a folder tree that opens on the desktop, with OK and Cancel. Frees
// itself once the modal loop that shows it has returned.
class TAddFolderForm : public QDialog {
    Q_OBJECT

public:
    // Report shows a rename the system refused.
    explicit TAddFolderForm(QWidget* Parent = nullptr, TErrorReport Report = ErrorDialog);

    // The selected node's path, empty when no node is selected.
    QString SelectedPath() const;

    QTreeView* ShellTV;
    TFolderTreeModel* Folders;
    QFrame* Panel;
    QPushButton* OKButton;
    QPushButton* CancelButton;
    // Set by OK alone.
    bool FolderChosen = false;

    void done(int Result) override;

private:
    QFrame* CreatePanel();
    void OKButtonClick();
    void CancelButtonClick();
    void ShellTVChange();
    // A right-click selects the node under the pointer and opens its folder's menu there.
    void ShellTVContextMenu(const QPoint& Position);
    // The menu key opens the current node's menu below it.
    void ShellTVMenuKey();
    void FolderMenu(const QModelIndex& Index, const QPoint& At);
    void FormClose();

    TErrorReport FReport;
};

// The text of a rename the system refused.
QString RenameFailedText(const QString& NewName);

// Shows the dialog modally over Owner. When OK ends it, Path becomes the chosen folder's path with
// one "/" appended and the answer is true; otherwise Path is left as it was.
bool SelectFolder(QString& Path, QWidget* Owner = nullptr);
