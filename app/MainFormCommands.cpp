// The command handlers that hand over to the file list, the dialogs, the help page and the
// batch run.

#include "MainForm.h"

#include <algorithm>

#include <QClipboard>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QTreeView>
#include <QUrl>

#include "app/FileListImport.h"
#include "app/FileListModel.h"
#include "app/OpenPictureDialog.h"
#include "app/WindowListView.h"
#include "dialogs/AboutForm.h"
#include "dialogs/AddFolderForm.h"
#include "dialogs/DefaultsForm.h"
#include "dialogs/PreviewForm.h"
#include "platform/WaitCursor.h"
#include "settings/Settings.h"
#include "settings/SettingsLocation.h"

void TMainForm::AddFileExecute() {
    const QStringList paths = ChoosePictureFiles(this, FWorkers);
    if (paths.isEmpty()) {
        return;
    }
    TWindowListView view(*this);
    AddChosenFiles(*FileList, paths, view);
}

void TMainForm::AddFolderActExecute() {
    QString folder;
    if (!SelectFolder(folder, this)) {
        return;
    }
    TWindowListView view(*this);
    AddFolderFiles(*FileList, folder, view);
}

void TMainForm::RemoveFileExecute() {
    QList<int> rows;
    {
        const TWaitCursor wait;
        for (const QModelIndex& index : ListView->selectionModel()->selectedRows()) {
            rows << index.row();
        }
        FileList->RemoveRowSet(rows);
    }
    ShowFilesProcessed(0, RowCount());
    ShowWaitingCount();
}

void TMainForm::ImagePreviewExecute() {
    // The first selected row in list order, whatever order the rows were selected in.
    const QModelIndexList rows = ListView->selectionModel()->selectedRows();
    if (rows.isEmpty()) { // cells selected, but no whole row
        return;
    }
    const int first = std::min_element(rows.begin(), rows.end())->row();
    // Made at the first preview: a window that never previews keeps no thread for it.
    if (FPreviews == nullptr) {
        FPreviews = new TPreviewDecoder(FWorkers, this);
    }
    ShowPreview(EntryFullPath(FileList->Entry(first)), *FPreviews, this);
}

void TMainForm::EditPasteExecute() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (const QMimeData* copied = clipboard->mimeData(); copied != nullptr) {
        TWindowListView view(*this);
        AddDroppedFiles(*FileList, *copied, view);
    }
    // A paste takes the file list out of the clipboard.
    clipboard->clear();
}

void TMainForm::ListViewColumnClick(int Column) {
    FileList->SortByColumn(Column);
}

void TMainForm::ImportWhenShown(const QStringList& Paths) {
    if (Paths.isEmpty())
        return;
    QMetaObject::invokeMethod(
        this,
        [this, Paths] {
            TWindowListView view(*this);
            AddDroppedPaths(*FileList, Paths, view);
        },
        Qt::QueuedConnection);
}

void TMainForm::FilesDropped(const QMimeData& Data) {
    TWindowListView view(*this);
    AddDroppedFiles(*FileList, Data, view);
}

void TMainForm::DefaultsExecute() {
    ::DefaultsExecute(this, Settings, SettingsFile());
}

void TMainForm::AboutExecute() {
    ::AboutExecute();
}

void TMainForm::HelpExecute() {
    // Where no program shows web pages the desktop opens nothing and tells standard error alone,
    // so the window says so, with the page's path for the user to open by other means.
    if (!QFileInfo(FHelpPage).isFile()) {
        ShowWarning(QStringLiteral("The help page %1 is missing.").arg(FHelpPage));
    } else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(FHelpPage))) {
        ShowWarning(QStringLiteral("No program was found to show the help page. Open %1 in a web "
                                   "browser.")
                        .arg(FHelpPage));
    }
}
