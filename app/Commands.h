#pragma once

#include <array>
#include <functional>

#include <QAction>
#include <QObject>
#include <QString>

// The window's state that the enabling rules read.
struct TCommandState {
    // No import or run is under way.
    bool Idle = true;
    // At least one row of the list is selected.
    bool RowsSelected = false;
    // The clipboard holds a list of files copied in a file manager.
    bool ClipboardHasFiles = false;
};

using TEnablingRule = bool (*)(const TCommandState&);

bool AddFileUpdate(const TCommandState& State);
bool AddFolderActUpdate(const TCommandState& State);
bool DefaultsUpdate(const TCommandState& State);
// An empty list does not disable it: the run answers with its own warning.
bool ProcessImagesUpdate(const TCommandState& State);
bool AboutUpdate(const TCommandState& State);
bool HelpUpdate(const TCommandState& State);
bool RemoveFileUpdate(const TCommandState& State);
// Always true: "Clear all" selects every row and runs "Remove File" as a command, whose rule then
// decides.
bool ClearAllUpdate(const TCommandState& State);
bool ImagePreviewUpdate(const TCommandState& State);
bool EditPasteUpdate(const TCommandState& State);

// The window's commands, in the order of its command list.
enum class TCommandId {
    AddFile,
    AddFolderAct,
    Defaults,
    ProcessImages,
    About,
    Help,
    RemoveFile,
    ClearAll,
    ImagePreview,
    EditPaste
};

// One row of the command table.
struct TCommandEntry {
    TCommandId Id;
    const char* Name;
    const char* Category;
    const char* Caption;
    // The caption with its access key marked, for the menus.
    const char* MenuText;
    const char* Hint;
    const char* Shortcut; // portable key text; empty for none
    int IconIndex;
    TEnablingRule Rule;
};

constexpr int kCommandCount = 10;
const std::array<TCommandEntry, kCommandCount>& CommandTable();
const TCommandEntry& CommandEntry(TCommandId Id);

// The window's command list: one action per command, carrying its caption, hint, shortcut and
// icon. Every rule is evaluated whenever the event loop falls idle, and the command's own rule
// once more before its handler runs, so a command never runs while its rule fails, even when
// its button still looks enabled.
class TCommandList : public QObject {
    Q_OBJECT

public:
    using TStateSource = std::function<TCommandState()>;

    // State is first asked for when the event loop falls idle or a command runs.
    TCommandList(QObject* Owner, TStateSource State);

    QAction* Action(TCommandId Id) const;
    void SetHandler(TCommandId Id, std::function<void()> Handler);
    // Runs the command when its rule holds now; returns whether it ran. An error escaping the
    // handler goes to the standard error report.
    bool Execute(TCommandId Id);
    // Sets every action's enabled state from its rule.
    void UpdateAll();

private:
    TStateSource FState;
    std::array<QAction*, kCommandCount> FActions{};
    std::array<std::function<void()>, kCommandCount> FHandlers;
};
