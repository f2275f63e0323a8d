#include "Commands.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QKeySequence>

#include "app/Application.h"
#include "app/Icons.h"

bool AddFileUpdate(const TCommandState& State) {
    return State.Idle;
}

bool AddFolderActUpdate(const TCommandState& State) {
    return State.Idle;
}

bool DefaultsUpdate(const TCommandState& State) {
    return State.Idle;
}

bool ProcessImagesUpdate(const TCommandState& State) {
    return State.Idle;
}

bool AboutUpdate(const TCommandState& State) {
    return State.Idle;
}

bool HelpUpdate(const TCommandState& State) {
    return State.Idle;
}

bool RemoveFileUpdate(const TCommandState& State) {
    return State.Idle && State.RowsSelected;
}

bool ClearAllUpdate(const TCommandState&) {
    return true;
}

bool ImagePreviewUpdate(const TCommandState& State) {
    return State.Idle && State.RowsSelected;
}

bool EditPasteUpdate(const TCommandState& State) {
    return State.Idle && State.ClipboardHasFiles;
}

const std::array<TCommandEntry, kCommandCount>& CommandTable() {
    using enum TCommandId;
    static const std::array<TCommandEntry, kCommandCount> table{{
        {AddFile, "AddFile", "File", "Add file", "&Add file", "Add file(s) to the list ", "", 0,
         AddFileUpdate},
        {AddFolderAct, "AddFolderAct", "File", "Add folder", "Add f&older",
         "Add folder to the list", "", 1, AddFolderActUpdate},
        {Defaults, "Defaults", "Edit", "Defaults", "&Defaults", "Show settings dialog", "", 3,
         DefaultsUpdate},
        {ProcessImages, "ProcessImages", "Edit", "Process images", "Process &images",
         "Process files from the list", "", 4, ProcessImagesUpdate},
        {About, "About", "Help", "About", "&About", "Show 'About' dialog", "", 5, AboutUpdate},
        {Help, "Help", "Help", "Help", "&Help", "Show help", "F1", 6, HelpUpdate},
        {RemoveFile, "RemoveFile", "File", "Remove File", "&Remove File",
         "Remove selected files from the list", "", 2, RemoveFileUpdate},
        {ClearAll, "ClearAll", "File", "Clear all", "&Clear all", "Remove all files from the list",
         "", 2, ClearAllUpdate},
        {ImagePreview, "ImagePreview", "File", "Preview", "&Preview", "Preview selected file", "",
         7, ImagePreviewUpdate},
        {EditPaste, "EditPaste", "Edit", "Paste", "&Paste", "Paste files from the clipboard",
         "Ctrl+V", 8, EditPasteUpdate},
    }};
    return table;
}

const TCommandEntry& CommandEntry(TCommandId Id) {
    return CommandTable()[static_cast<std::size_t>(Id)];
}

TCommandList::TCommandList(QObject* Owner, TStateSource State)
    : QObject(Owner), FState(std::move(State)) {
    for (const TCommandEntry& entry : CommandTable()) {
        auto* action =
            new QAction(CommandIcon(entry.IconIndex), QString::fromUtf8(entry.MenuText), this);
        action->setObjectName(QString::fromUtf8(entry.Name));
        action->setIconText(QString::fromUtf8(entry.Caption));
        action->setToolTip(QString::fromUtf8(entry.Hint));
        action->setStatusTip(QString::fromUtf8(entry.Hint));
        action->setShortcut(QKeySequence(QString::fromUtf8(entry.Shortcut)));
        const TCommandId id = entry.Id;
        connect(action, &QAction::triggered, this, [this, id] { Execute(id); });
        FActions[static_cast<std::size_t>(id)] = action;
    }
    // The rules follow the window's state whenever the event loop has nothing left to do.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &TCommandList::UpdateAll);
    }
}

QAction* TCommandList::Action(TCommandId Id) const {
    return FActions[static_cast<std::size_t>(Id)];
}

void TCommandList::SetHandler(TCommandId Id, std::function<void()> Handler) {
    FHandlers[static_cast<std::size_t>(Id)] = std::move(Handler);
}

bool TCommandList::Execute(TCommandId Id) {
    const auto index = static_cast<std::size_t>(Id);
    const bool allowed = CommandEntry(Id).Rule(FState());
    FActions[index]->setEnabled(allowed);
    if (!allowed || !FHandlers[index]) {
        return false;
    }
    // Reported here rather than at the top of event dispatch, so an error never unwinds through
    // the framework's code between the click and the handler.
    try {
        FHandlers[index]();
    } catch (const std::exception& error) {
        ShowErrorReport(error);
    }
    return true;
}

void TCommandList::UpdateAll() {
    const TCommandState state = FState();
    for (const TCommandEntry& entry : CommandTable()) {
        FActions[static_cast<std::size_t>(entry.Id)]->setEnabled(entry.Rule(state));
    }
}
