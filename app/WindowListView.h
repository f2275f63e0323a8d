#pragma once

#include "app/FileListImport.h"

class TMainForm;

// Filling the list as the main window shows it: the status text, the progress over the status
// bar, the hourglass and the list's redrawing held back while an import lasts.
class TWindowListView : public IFileListView {
public:
    explicit TWindowListView(TMainForm& Form) : FForm(Form) {}

    bool Idle() const override;
    void SetIdle(bool Value) override;
    void SetStatusLabel1(const QString& Text) override;
    void ShowWaitingCount() override;
    void ShowFilesProcessed(int Done, int Total) override;
    void ShowProgress(int Maximum) override;
    void SetProgress(int Position) override;
    void HideProgress() override;
    void SetWaitCursor(bool On) override;
    void BeginListUpdate() override;
    void EndListUpdate() override;
    void ProcessMessages() override;
    void ReportError(const QString& Text) override;

private:
    TMainForm& FForm;
};
