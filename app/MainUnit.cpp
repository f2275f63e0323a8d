#include "MainUnit.h"

#include <QAbstractItemModel>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
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

constexpr QSize FormSize(714, 327);
constexpr QSize ToolButtonSize(96, 52);
constexpr int StatusGBHeight = 70;
// How long a window manager is given to frame the window.
constexpr int FrameLooks = 20;
constexpr int FrameLookMilliseconds = 100;

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
    resize(FormSize);

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
    const std::array<std::pair<TCommandId, void (TMainForm::*)()>, CommandCount> handlers{{
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

void TMainForm::CreateToolBar() {
    using enum TCommandId;
    ToolBar = addToolBar(QStringLiteral("Commands"));
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar->setIconSize(QSize(32, 32));
    ToolBar->toggleViewAction()->setVisible(false);
    const std::array<std::pair<TCommandId, const char*>, 7> buttons{{
        {AddFile, "AddFileButton"},
        {AddFolderAct, "AddFolderButton"},
        {ClearAll, "RemoveFileButton"},
        {Defaults, "DefaultsButton"},
        {ProcessImages, "ProcessImagesButton"},
        {About, "AboutButton"},
        {Help, "HelpButton"},
    }};
    for (const auto& [id, name] : buttons) {
        ToolBar->addAction(FCommands->Action(id));
        QWidget* button = ToolBar->widgetForAction(FCommands->Action(id));
        button->setObjectName(QString::fromLatin1(name));
        button->setFixedSize(ToolButtonSize);
        button->setAccessibleName(QString::fromUtf8(CommandEntry(id).Caption));
    }
    // The button that offers the commands a narrow window cannot show.
    if (auto* more = ToolBar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"))) {
        more->setAccessibleName(QStringLiteral("More commands"));
    }
}

void TMainForm::CreateMenus() {
    using enum TCommandId;
    const auto action = [this](TCommandId Id) { return FCommands->Action(Id); };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addActions({action(AddFile), action(AddFolderAct)});
    file->addSeparator();
    file->addActions({action(RemoveFile), action(ClearAll)});
    file->addSeparator();
    file->addAction(action(ImagePreview));
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->addAction(action(EditPaste));
    edit->addSeparator();
    edit->addAction(action(ProcessImages));
    edit->addSeparator();
    edit->addAction(action(Defaults));
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addActions({action(Help), action(About)});

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    PopupMenu->addActions({action(RemoveFile), action(ImagePreview)});
    PopupMenu->addSeparator();
    PopupMenu->addAction(action(EditPaste));
}

void TMainForm::CreateListView() {
    ListView = new QTreeView(this);
    ListView->setObjectName(QStringLiteral("ListView"));
    ListView->setAccessibleName(QStringLiteral("Files to process"));
    ListView->setRootIsDecorated(false);
    ListView->setItemsExpandable(false);
    ListView->setUniformRowHeights(true);
    ListView->setAllColumnsShowFocus(true);
    ListView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView->setIconSize(QSize(16, 16));
    ListView->header()->setSectionsClickable(true);
    ListView->header()->setSectionsMovable(false);
    // The folder column takes whatever room is left, so long folder paths stay readable.
    ListView->header()->setStretchLastSection(true);
    ListView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& At) { PopupMenu->popup(ListView->viewport()->mapToGlobal(At)); });
    connect(ListView->header(), &QHeaderView::sectionClicked, this,
            &TMainForm::ListViewColumnClick);
    // A double click previews, as a command: refused while busy or with no row selected.
    connect(ListView, &QAbstractItemView::doubleClicked, this,
            [this] { FCommands->Execute(TCommandId::ImagePreview); });
}

void TMainForm::CreateStatusGroup() {
    StatusGB = new QGroupBox(QStringLiteral("Status Report"), this);
    StatusGB->setObjectName(QStringLiteral("StatusGB"));
    StatusGB->setAccessibleName(StatusGB->title());
    StatusGB->setFixedHeight(StatusGBHeight);
    const auto label = [this](const char* Name, const QString& Text, QPoint At) {
        auto* made = new QLabel(Text, StatusGB);
        made->setObjectName(QString::fromLatin1(Name));
        made->move(At);
        SetLabelText(made, Text);
        return made;
    };
    StatusLabel1 =
        label("StatusLabel1", QStringLiteral("Ready to get files"), StatusLabelPlaces[0]);
    StatusLabel2 = label("StatusLabel2", QString(), StatusLabelPlaces[1]);
    StatusLabel3 = label("StatusLabel3", QString(), StatusLabelPlaces[2]);

    Animate = new TCopyAnimation(StatusGB);
    Animate->setObjectName(QStringLiteral("Animate"));
    Animate->setAccessibleName(QStringLiteral("Copying files"));

    CancelButton = new QPushButton(QStringLiteral("Cancel"), StatusGB);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->hide();
    connect(CancelButton, &QPushButton::clicked, this, &TMainForm::CancelButtonClick);

    // The window gets no narrower than the labels' texts and Cancel need.
    StatusGB->setMinimumWidth(StatusGroupMinimumWidth(StatusGB->fontMetrics()));
    PlaceStatusControls();
    StatusGB->installEventFilter(this);
}

void TMainForm::PlaceStatusControls() {
    const TStatusPlaces places = StatusPlacesFor(StatusGB->width());
    Animate->setGeometry(places.Animate);
    CancelButton->setGeometry(places.Cancel);
}

void TMainForm::CreateStatusBar() {
    // A narrow window takes from the hint and the progress panels alike; the files processed
    // panel keeps its text whole.
    StatusPanels = {new TStatusPanel(200, 100, false, this), new TStatusPanel(150, 0, true, this),
                    new TStatusPanel(300, 100, false, this)};
    for (std::size_t i = 0; i < StatusPanels.size(); ++i) {
        StatusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        statusBar()->addWidget(StatusPanels[i]);
    }
    // Panel 1 is named by its text.
    StatusPanels[0]->setAccessibleName(QStringLiteral("Hint"));
    StatusPanels[0]->setAccessibleDescription(
        QStringLiteral("What the control under the mouse does"));
    StatusPanels[1]->setAccessibleDescription(QStringLiteral("Files processed"));
    StatusPanels[2]->setAccessibleName(QStringLiteral("Progress area"));
    StatusPanels[2]->setAccessibleDescription(
        QStringLiteral("Holds the progress bar while files are imported or processed"));
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    // The main window's layout takes the status bar's minimum only when it is set.
    statusBar()->installEventFilter(this);
    statusBar()->setMinimumWidth(statusBar()->minimumSizeHint().width());
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setAccessibleName(QStringLiteral("Progress"));
    ProgressBar->setTextVisible(false);
    ProgressBar->resize(ProgressBar->width(), 16);
    ProgressBar->hide();
    // The bar stays over its panel when the panel before it grows.
    StatusPanels[2]->installEventFilter(this);
}

bool TMainForm::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == StatusGB && Event->type() == QEvent::Resize) {
        PlaceStatusControls();
    } else if (Watched == statusBar() && Event->type() == QEvent::LayoutRequest) {
        // A panel's text grew or shrank.
        statusBar()->setMinimumWidth(statusBar()->minimumSizeHint().width());
    }
    if (Watched == StatusPanels[2] && !ProgressBar->isHidden() &&
        (Event->type() == QEvent::Move || Event->type() == QEvent::Resize)) {
        ProgressBar->setGeometry(StatusPanels[2]->geometry());
    }
    return QMainWindow::eventFilter(Watched, Event);
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
        AwaitFrame(FrameLooks);
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
        QTimer::singleShot(FrameLookMilliseconds, this, [this, Looks] { AwaitFrame(Looks - 1); });
    }
}

QSize TMainForm::FrameSize() const {
    return frameGeometry().size() - geometry().size();
}

void TMainForm::PlaceOnDesktop() {
    // The design size is the outer size, frame included, centred on the desktop.
    FPlacedFrame = FrameSize();
    resize(FormSize - FPlacedFrame);
    FPlacedSize = size();
    if (const QScreen* desktop = screen()) {
        const QRect area = desktop->availableGeometry();
        move(area.center() - QPoint(FormSize.width() / 2, FormSize.height() / 2));
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
