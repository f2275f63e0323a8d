#include "MainForm.h"

#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include "app/CopyAnimation.h"
#include "app/StatusArea.h"

// The window's controls: the toolbar, the menus, the file list's view, the status group and the
// status bar, and what keeps them placed as the window changes size.

namespace {

constexpr QSize kToolButtonSize(96, 52);
constexpr int kStatusGBHeight = 70;

} // namespace

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
        button->setFixedSize(kToolButtonSize);
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
    StatusGB->setFixedHeight(kStatusGBHeight);
    const auto label = [this](const char* Name, const QString& Text, QPoint At) {
        auto* made = new QLabel(Text, StatusGB);
        made->setObjectName(QString::fromLatin1(Name));
        made->move(At);
        SetLabelText(made, Text);
        return made;
    };
    StatusLabel1 =
        label("StatusLabel1", QStringLiteral("Ready to get files"), kStatusLabelPlaces[0]);
    StatusLabel2 = label("StatusLabel2", QString(), kStatusLabelPlaces[1]);
    StatusLabel3 = label("StatusLabel3", QString(), kStatusLabelPlaces[2]);

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
