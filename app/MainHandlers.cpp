// The command handlers that hand over to the file list, the dialogs and the batch run.

#include "MainUnit.h"

#include <stdexcept>

#include "app/Application.h"
#include "app/WindowBatchView.h"
#include "batch/BatchRun.h"
#include "batch/OutputTree.h"
#include "dialogs/DefaultsUnit.h"
#include "settings/Settings.h"

void TMainForm::ProcessImagesExecute() {
    if (FBatchList == nullptr) { // no list yet: as good as an empty one
        ShowWarning(NoFilesText());
        return;
    }
    TWindowBatchView view(*this);
    TBatchRun run(*FBatchList, view, Settings, DefaultOutputRoot());
    run.Execute();
}

// Filled by the file list: the open-picture dialog and the import.
void TMainForm::AddFileExecute() {}

// Filled by the file list: the Add-folder dialog, the folder scan and the import.
void TMainForm::AddFolderActExecute() {}

// Filled by the file list: deletes the selected rows.
void TMainForm::RemoveFileExecute() {}

// Filled by the file list: the preview of the first selected row.
void TMainForm::ImagePreviewExecute() {}

// Filled by the file list: imports the files the clipboard holds and empties it.
void TMainForm::EditPasteExecute() {}

// Filled by the file list: sorts by the clicked column.
void TMainForm::ListViewColumnClick(int) {}

// Filled by the file list: imports the dropped files and folders.
void TMainForm::FilesDropped(const QMimeData&) {}

void TMainForm::DefaultsExecute() {
    ::DefaultsExecute(this, Settings, SettingsFilePath(), [](QWidget*, const QString& Text) {
        ShowErrorReport(std::runtime_error(Text.toStdString()));
    });
}

// Filled by the About window: shown modally.
void TMainForm::AboutExecute() {}
