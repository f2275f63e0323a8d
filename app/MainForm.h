#pragma once

#include <array>
#include <functional>

#include <QMainWindow>
#include <QStringList>

#include "app/Commands.h"
#include "batch/BatchJob.h"
#include "batch/PreviewDecoder.h"

class IBatchList;
class QAbstractItemModel;
class QGroupBox;
class QLabel;
class QMenu;
class QMimeData;
class QProgressBar;
class QPushButton;
class QToolBar;
class QTreeView;
class TCopyAnimation;
class TFileListModel;
class TWindowListView;

// The program's main window: toolbar, file list, status group and status bar, and the command
// table every user command runs through.
class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TMainForm(QWidget* Parent = nullptr);

    // Imports the files and folders at Paths as a drop of them would, once the event loop runs
    // with the window on screen.
    void ImportWhenShown(const QStringList& Paths);

    // The file list: Model is shown in the list view, List is what a run works through.
    void SetFileList(QAbstractItemModel* Model, IBatchList* List);
    // How a run and the previews start their workers; by default the worker beside the program.
    void SetWorkerSettings(const TWorkerSettings& Workers);
    // The page Help opens; by default HelpPagePath().
    void SetHelpPage(const QString& Path);

    // No import or run is under way.
    bool Idle() const { return FIdle; }
    TCommandList& Commands() { return *FCommands; }
    TCommandState CommandState() const;

    // Panel 1: " Files processed: Done of Total"; the status bar repaints at once.
    void ShowFilesProcessed(int Done, int Total);
    // StatusLabel1: the rows waiting; StatusLabel2 emptied.
    void ShowWaitingCount();
    // Lays the progress bar over status-bar panel 2 and shows it.
    void ShowProgressInStatusBar();
    // Into the run's state (progress, Cancel, the animation, the hourglass) and out of it.
    void SetProcessing(bool Busy, int Total);

protected:
    bool event(QEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    void dragEnterEvent(QDragEnterEvent* Event) override;
    void dropEvent(QDropEvent* Event) override;

private:
    friend class TWindowListView;

    void FormCreate();
    void CreateToolBar();
    void CreateMenus();
    void CreateListView();
    void CreateFileList();
    void CreateStatusGroup();
    void CreateStatusBar();
    // Cancel and the animation, for the status group's width.
    void PlaceStatusControls();
    void BindCommands();

    void AddFileExecute();
    void AddFolderActExecute();
    void DefaultsExecute();
    void ProcessImagesExecute();
    void AboutExecute();
    void HelpExecute();
    void RemoveFileExecute();
    void ClearAllExecute();
    void ImagePreviewExecute();
    void EditPasteExecute();
    void ListViewColumnClick(int Column);
    void FilesDropped(const QMimeData& Data);
    void CancelButtonClick();
    // A run's events.
    void RunProgress(int Done, int Total);
    void RunFileHandled(const TListedFile& File, const TFileReport& Report);
    void RunFinished(const TBatchCounts& Counts);
    void ApplicationEventsHint(const QString& Hint);

    // An import or run begins or ends; a close asked for meanwhile happens once it has ended.
    void SetBusy(bool Busy);
    // The design size, frame included, centred on the desktop.
    void PlaceOnDesktop();
    // Looks for the window manager's frame Looks times more.
    void AwaitFrame(int Looks);
    QSize FrameSize() const;
    int RowCount() const;
    void ShowWarning(const QString& Text);
    static void SetLabelText(QLabel* Label, const QString& Text);

    TCommandList* FCommands = nullptr;
    QToolBar* ToolBar = nullptr;
    QTreeView* ListView = nullptr;
    QMenu* PopupMenu = nullptr;
    QGroupBox* StatusGB = nullptr;
    QLabel* StatusLabel1 = nullptr;
    QLabel* StatusLabel2 = nullptr;
    QLabel* StatusLabel3 = nullptr;
    TCopyAnimation* Animate = nullptr;
    QPushButton* CancelButton = nullptr;
    std::array<QLabel*, 3> StatusPanels{};
    QProgressBar* ProgressBar = nullptr;

    // The list the window's own commands fill; a run works through FBatchList.
    TFileListModel* FileList = nullptr;
    IBatchList* FBatchList = nullptr;
    TWorkerSettings FWorkers;
    QString FHelpPage;
    // Makes the pictures of the Preview windows, in a worker; made at the first preview.
    TPreviewDecoder* FPreviews = nullptr;
    // The run under way; it stays until it has finished, Cancel or not.
    TBatchJob* FRun = nullptr;
    bool FIdle = false;
    bool FBusy = false;
    bool FCloseRequested = false;
    bool FPlaced = false;
    // The frame and the size the window was last placed with.
    QSize FPlacedFrame;
    QSize FPlacedSize;
    bool FClipboardHasFiles = false;
    // The outputs of the current run that were not written, and the files not supported, with
    // the reasons.
    QStringList FNotWritten;
    QStringList FNotSupported;
};
