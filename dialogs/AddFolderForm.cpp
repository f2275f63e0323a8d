#include "AddFolderForm.h"

#include <utility>

#include <QDesktopServices>
#include <QFrame>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTreeView>
#include <QUrl>

#include "dialogs/FolderTreeModel.h"
#include "platform/FileNames.h"

namespace {

// The client area the dialog is laid out for, in device-independent pixels.
constexpr QSize kClientSize(276, 309);
constexpr int kPanelHeight = 41;
constexpr int kTreeIndent = 19;

// A file URL that keeps every byte of Path, also where the name is not UTF-8.
QUrl FolderUrl(const QString& Path) {
    return QUrl::fromEncoded("file://" + EncodeFileName(Path).toPercentEncoding("/"));
}

} // namespace

QString RenameFailedText(const QString& NewName) {
    return QStringLiteral("Rename to %1 failed").arg(NewName);
}

TAddFolderForm::TAddFolderForm(QWidget* Parent, TErrorReport Report)
    : QDialog(Parent), FReport(std::move(Report)) {
    setWindowTitle(QStringLiteral("Add folder"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kClientSize);
    // Centred on the desktop rather than over the window that opens it.
    if (const QScreen* desktop = screen())
        move(desktop->availableGeometry().center() - rect().center());

    Folders = new TFolderTreeModel(this);
    ShellTV = new QTreeView(this);
    ShellTV->setAccessibleName(QStringLiteral("Folders"));
    ShellTV->setHeaderHidden(true);
    ShellTV->setRootIsDecorated(false);
    ShellTV->setIndentation(kTreeIndent);
    ShellTV->setUniformRowHeights(true);
    ShellTV->setEditTriggers(QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::SelectedClicked);
    ShellTV->setContextMenuPolicy(Qt::CustomContextMenu);
    ShellTV->setModel(Folders);
    ShellTV->setGeometry(0, 0, kClientSize.width(), kClientSize.height() - kPanelHeight);
    // Created after the tree, so that Tab goes from the tree to OK and then Cancel.
    Panel = CreatePanel();
    Panel->setGeometry(0, kClientSize.height() - kPanelHeight, kClientSize.width(), kPanelHeight);

    connect(ShellTV->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TAddFolderForm::ShellTVChange);
    connect(ShellTV, &QWidget::customContextMenuRequested, this,
            &TAddFolderForm::ShellTVContextMenu);
    // From the keyboard the menu belongs to the current node, wherever the pointer is.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)}) {
        auto* shortcut = new QShortcut(keys, ShellTV);
        shortcut->setContext(Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this, &TAddFolderForm::ShellTVMenuKey);
    }
    // Shown once the editor that committed the name has closed.
    connect(
        Folders, &TFolderModel::RenameRefused, this,
        [this](const QString& NewName) { FReport(this, RenameFailedText(NewName)); },
        Qt::QueuedConnection);

    const QModelIndex desktop = Folders->DesktopIndex();
    ShellTV->expand(desktop);
    ShellTV->setCurrentIndex(desktop);
    ShellTV->setFocus();
    ShellTVChange();
}

QFrame* TAddFolderForm::CreatePanel() {
    auto* panel = new QFrame(this);
    OKButton = new QPushButton(QStringLiteral("OK"), panel);
    OKButton->setAccessibleName(QStringLiteral("OK"));
    OKButton->setGeometry(112, 8, 75, 25);
    OKButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), panel);
    CancelButton->setAccessibleName(QStringLiteral("Cancel"));
    CancelButton->setGeometry(196, 8, 75, 25);
    connect(OKButton, &QPushButton::clicked, this, &TAddFolderForm::OKButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TAddFolderForm::CancelButtonClick);
    return panel;
}

QString TAddFolderForm::SelectedPath() const {
    return Folders->Path(ShellTV->currentIndex());
}

void TAddFolderForm::OKButtonClick() {
    FolderChosen = true;
    accept();
}

void TAddFolderForm::CancelButtonClick() {
    reject();
}

void TAddFolderForm::ShellTVChange() {
    const QModelIndex current = ShellTV->currentIndex();
    Folders->SetCurrent(current);
    OKButton->setEnabled(current.isValid() && Folders->IsFolder(current));
}

void TAddFolderForm::ShellTVContextMenu(const QPoint& Position) {
    const QModelIndex index = ShellTV->indexAt(Position);
    if (!index.isValid())
        return;
    ShellTV->setCurrentIndex(index);
    FolderMenu(index, ShellTV->viewport()->mapToGlobal(Position));
}

void TAddFolderForm::FolderMenu(const QModelIndex& Index, const QPoint& At) {
    const QString path = Folders->Path(Index);
    QMenu menu(this);
    menu.setAccessibleName(QStringLiteral("Folder menu"));
    menu.addAction(QStringLiteral("&Open in File Manager"),
                   [path] { QDesktopServices::openUrl(FolderUrl(path)); });
    QAction* rename =
        menu.addAction(QStringLiteral("Re&name"), [this, Index] { ShellTV->edit(Index); });
    rename->setEnabled(Folders->CanRename(Index));
    menu.exec(At);
}

void TAddFolderForm::ShellTVMenuKey() {
    const QModelIndex current = ShellTV->currentIndex();
    if (!current.isValid())
        return;
    ShellTV->scrollTo(current);
    const QRect node = ShellTV->visualRect(current);
    FolderMenu(current, ShellTV->viewport()->mapToGlobal(node.bottomLeft()));
}

void TAddFolderForm::done(int Result) {
    QDialog::done(Result);
    FormClose();
}

void TAddFolderForm::FormClose() {
    // Carried out by the event loop the modal one returns to, after the result is read.
    deleteLater();
}

bool SelectFolder(QString& Path, QWidget* Owner) {
    QPointer<TAddFolderForm> form = new TAddFolderForm(Owner);
    form->exec();
    if (form.isNull() || !form->FolderChosen)
        return false;
    Path = form->SelectedPath() + u'/';
    return true;
}
