#pragma once

#include <QString>
#include <QStringList>

class QMimeData;
class TFileListModel;

// What filling the list shows and asks of the window; tests stand in for it. The members it
// shares with the batch run's view have the same names, so the window implements them once.
class IFileListView {
public:
    virtual ~IFileListView() = default;
    virtual bool Idle() const = 0;
    virtual void SetIdle(bool Value) = 0;
    // Shown at once: the status area repaints before the work goes on.
    virtual void SetStatusLabel1(const QString& Text) = 0;
    // "Images wating to be processed: %d" with the number of rows.
    virtual void ShowWaitingCount() = 0;
    virtual void ShowFilesProcessed(int Done, int Total) = 0;
    // The progress bar over the status bar, from 0 to Maximum, at 0.
    virtual void ShowProgress(int Maximum) = 0;
    virtual void SetProgress(int Position) = 0;
    // Back to 0, and hidden.
    virtual void HideProgress() = 0;
    // The hourglass while on; the cursor from before when off.
    virtual void SetWaitCursor(bool On) = 0;
    // The list view stops redrawing until the matching end.
    virtual void BeginListUpdate() = 0;
    virtual void EndListUpdate() = 0;
    // Serves pending events once: repainting, sorting by a column click.
    virtual void ProcessMessages() = 0;
    // The standard error report: a message box with Text.
    virtual void ReportError(const QString& Text) = 0;
};

// Appends one row per path, in order, with the window busy meanwhile: the progress moves every
// fifth path, and events are served at paths 0, 200, 400 and so on. A path that cannot be opened
// for reading stops the import there: the rows before it stay, the window comes back to idle,
// the error is reported and the result is false.
bool ImportFileList(TFileListModel& List, const QStringList& Paths, IFileListView& View);

// "Add file" after the dialog: the chosen paths, in the dialog's order.
void AddChosenFiles(TFileListModel& List, const QStringList& Paths, IFileListView& View);

// "Add folder" after the dialog: every file below Folder.
void AddFolderFiles(TFileListModel& List, const QString& Folder, IFileListView& View);

// A drop or a paste: the local files and folders Data names, in order, each folder replaced by
// the files below it. Refused, with nothing shown, while the window is busy.
void AddDroppedFiles(TFileListModel& List, const QMimeData& Data, IFileListView& View);

// AddDroppedFiles for the files and folders at Paths, as if they had been dropped: the files
// a desktop hands the program when it is opened with them.
void AddDroppedPaths(TFileListModel& List, const QStringList& Paths, IFileListView& View);
