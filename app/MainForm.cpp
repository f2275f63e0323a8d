#include "MainForm.h"

#include <QAbstractItemModel>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/Application.h"
#include "app/CopyAnimation.h"
#include "app/FileListMime.h"
#include "app/FileListModel.h"
#include "app/Icons.h"
#include "app/StatusArea.h"
#include "dialogs/MessageDialogs.h"
#include "platform/WaitCursor.h"
#include "settings/Settings.h"
#include "settings/SettingsLocation.h"

namespace {

constexpr QSize kFormSize(714, 327);
// How long a window manager is given to frame the window.
constexpr int kFrameLooks = 20;
constexpr int kFrameLookMilliseconds = 100;

} // namespace

TMainForm::TMainForm(QWidget* Parent) : QMainWindow(Parent), FHelpPage(HelpPagePath()) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(TApplication::Title());
    if (QFontDatabase::hasFamily(QStringLiteral("Verdana"))) {
        setFont(QFont(QStringLiteral("Verdana"), 8));
    }
    FCommands = new TCommandList(this, [this] { return CommandState(); });
    BindCommands();
    CreateToolBar();
    CreateMenus();
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    CreateListView();
    CreateFileList();
    CreateStatusGroup();
    layout->addWidget(ListView, 1);
    layout->addWidget(StatusGB);
    setCentralWidget(central);
    CreateStatusBar();
    setTabOrder(ListView, CancelButton);
    resize(kFormSize);

    FClipboardHasFiles = HoldsFileList(QGuiApplication::clipboard()->mimeData());
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
        FClipboardHasFiles = HoldsFileList(QGuiApplication::clipboard()->mimeData());
    });
    FormCreate();
}

void TMainForm::FormCreate() {
    FIdle = true;
    LoadSettings(Settings, SettingsFile());
    setAcceptDrops(true);
    ShowFilesProcessed(0, RowCount());
    FCommands->UpdateAll();
}

void TMainForm::BindCommands() {
    using enum TCommandId;
    const std::array<std::pair<TCommandId, void (TMainForm::*)()>, kCommandCount> handlers{{
        {AddFile, &TMainForm::AddFileExecute},
        {AddFolderAct, &TMainForm::AddFolderActExecute},
        {Defaults, &TMainForm::DefaultsExecute},
        {ProcessImages, &TMainForm::ProcessImagesExecute},
        {About, &TMainForm::AboutExecute},
        {Help, &TMainForm::HelpExecute},
        {RemoveFile, &TMainForm::RemoveFileExecute},
        {ClearAll, &TMainForm::ClearAllExecute},
        {ImagePreview, &TMainForm::ImagePreviewExecute},
        {EditPaste, &TMainForm::EditPasteExecute},
    }};
    for (const auto& [id, handler] : handlers) {
        FCommands->SetHandler(id, [this, method = handler] { (this->*method)(); });
        // Shortcuts work from anywhere in the window, whatever has the focus.
        addAction(FCommands->Action(id));
    }
}

void TMainForm::CreateFileList() {
    FileList = new TFileListModel(this);
    QList<QIcon> icons;
    // Icon indexes run from 0 (bmp) to 5 (any other file), as IconIndexForExtension gives them.
    for (int index = 0; index <= IconIndexForExtension(QString()); ++index) {
        icons << FileTypeIcon(index);
    }
    FileList->SetRowIcons(icons);
    SetFileList(FileList, FileList);
    for (int column = 0; column < TFileListModel::ColumnCount; ++column) {
        ListView->setColumnWidth(
            column,
            FileList->headerData(column, Qt::Horizontal, TFileListModel::ColumnWidthRole).toInt());
    }
}

void TMainForm::SetFileList(QAbstractItemModel* Model, IBatchList* List) {
    ListView->setModel(Model);
    FBatchList = List;
}

TCommandState TMainForm::CommandState() const {
    const QItemSelectionModel* selection = ListView->selectionModel();
    return {FIdle && !FBusy, selection != nullptr && selection->hasSelection(), FClipboardHasFiles};
}

int TMainForm::RowCount() const {
    return ListView->model() != nullptr ? ListView->model()->rowCount() : 0;
}

void TMainForm::SetLabelText(QLabel* Label, const QString& Text) {
    Label->setText(Text);
    Label->adjustSize();
    // An empty label is hidden, so a screen reader does not read it as nameless text.
    Label->setVisible(!Text.isEmpty());
}

void TMainForm::ShowWaitingCount() {
    SetLabelText(StatusLabel1, QStringLiteral("Images wating to be processed: %1").arg(RowCount()));
    SetLabelText(StatusLabel2, QString());
}

void TMainForm::ShowProgressInStatusBar() {
    ProgressBar->setParent(statusBar());
    ProgressBar->setGeometry(StatusPanels[2]->geometry());
    ProgressBar->show();
}

void TMainForm::SetBusy(bool Busy) {
    FBusy = Busy;
    FIdle = !Busy;
    if (!Busy && FCloseRequested) {
        // Closed once the operation has returned to the event loop.
        FCloseRequested = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void TMainForm::ShowWarning(const QString& Text) {
    WarningDialog(this, Text);
}

bool TMainForm::event(QEvent* Event) {
    if (Event->type() == QEvent::StatusTip) {
        ApplicationEventsHint(static_cast<QStatusTipEvent*>(Event)->tip());
        return true;
    }
    return QMainWindow::event(Event);
}

void TMainForm::ApplicationEventsHint(const QString& Hint) {
    const qsizetype bar = Hint.indexOf(QLatin1Char('|'));
    StatusPanels[0]->setText(QLatin1Char(' ') + (bar < 0 ? Hint : Hint.mid(bar + 1)));
}

void TMainForm::showEvent(QShowEvent* Event) {
    QMainWindow::showEvent(Event);
    if (!FPlaced) {
        FPlaced = true;
        PlaceOnDesktop();
        AwaitFrame(kFrameLooks);
    }
}

void TMainForm::AwaitFrame(int Looks) {
    // An X11 window manager frames the window a moment after it is shown, and tells no widget.
    // Once the frame is there the window is placed again, unless the user has resized it.
    if (size() != FPlacedSize) {
        return;
    }
    if (FrameSize() != FPlacedFrame) {
        PlaceOnDesktop();
    } else if (Looks > 0) {
        QTimer::singleShot(kFrameLookMilliseconds, this, [this, Looks] { AwaitFrame(Looks - 1); });
    }
}

QSize TMainForm::FrameSize() const {
    return frameGeometry().size() - geometry().size();
}

void TMainForm::PlaceOnDesktop() {
    // The design size is the outer size, frame included, centred on the desktop.
    FPlacedFrame = FrameSize();
    resize(kFormSize - FPlacedFrame);
    FPlacedSize = size();
    if (const QScreen* desktop = screen()) {
        const QRect area = desktop->availableGeometry();
        move(area.center() - QPoint(kFormSize.width() / 2, kFormSize.height() / 2));
    }
}

void TMainForm::closeEvent(QCloseEvent* Event) {
    if (FBusy) {
        FCloseRequested = true;
        Event->ignore();
        return;
    }
    QMainWindow::closeEvent(Event);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* Event) {
    if (FIdle && !FBusy && HoldsFileList(Event->mimeData())) {
        Event->acceptProposedAction();
    }
}

void TMainForm::dropEvent(QDropEvent* Event) {
    if (!FIdle || FBusy) {
        Event->ignore();
        return;
    }
    Event->acceptProposedAction();
    FilesDropped(*Event->mimeData());
}

void TMainForm::ClearAllExecute() {
    {
        TWaitCursor wait;
        ListView->selectAll();
    }
    FCommands->Execute(TCommandId::RemoveFile);
}

void TMainForm::SetHelpPage(const QString& Path) {
    FHelpPage = Path;
}

void TMainForm::SetWorkerSettings(const TWorkerSettings& Workers) {
    FWorkers = Workers;
    if (FPreviews != nullptr) {
        FPreviews->SetWorkerSettings(Workers);
    }
}
