#pragma once

#include "batch/BatchRun.h"

class TMainForm;

// A run as the main window shows it: progress over the status bar, the labels, Cancel and the
// animation. Each file's work runs off the GUI thread while the window keeps serving its events.
class TWindowBatchView : public IBatchView {
public:
    explicit TWindowBatchView(TMainForm& Form) : FForm(Form) {}

    void ShowWarning(const QString& Text) override;
    void SetProcessing(bool Busy, int Total) override;
    void SetProgress(int Position) override;
    void ShowFilesProcessed(int Done, int Total) override;
    void SetStatusLabel1(const QString& Text) override;
    void SetStatusLabel2(const QString& Text) override;
    void SetStatusLabel3(const QString& Text) override;
    void ReportNotWritten(const QString& SourcePath, const TSizeOutcome& Outcome) override;
    void RunFileWork(const std::function<void()>& Work) override;
    void ProcessMessages() override;
    bool Idle() const override;

private:
    TMainForm& FForm;
};
