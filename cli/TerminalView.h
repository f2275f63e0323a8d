#pragma once

#include <QStringList>

#include <cstdio>

#include "batch/BatchRun.h"

// The command line's file list: the paths in the order given.
class TPathList : public IBatchList {
public:
    explicit TPathList(QStringList Paths) : FPaths(std::move(Paths)) {}
    int Count() const override { return static_cast<int>(FPaths.size()); }
    QStringList EntryPaths() const override { return FPaths; }
    QString FirstPath() const override { return FPaths.first(); }
    void DeleteEntry(const QString& Path) override { FPaths.removeOne(Path); }

private:
    QStringList FPaths;
};

// A run's view on a terminal: a progress bar on standard error when that is a terminal,
// reports of outputs not written and files not supported on standard error, and the summary
// lines kept for standard output. Ctrl+C is its Cancel button.
class TTerminalView : public IBatchView {
public:
    explicit TTerminalView(std::FILE* Errors, bool ShowBar);

    void ShowWarning(const QString& Text) override;
    void SetProcessing(bool Busy, int Total) override;
    void SetProgress(int Position) override;
    void ShowFilesProcessed(int, int) override {}
    void SetStatusLabel1(const QString& Text) override { FLabels[0] = Text; }
    void SetStatusLabel2(const QString& Text) override { FLabels[1] = Text; }
    void SetStatusLabel3(const QString& Text) override { FLabels[2] = Text; }
    void ReportNotWritten(const QString& SourcePath, const TSizeOutcome& Outcome) override;
    void ReportNonSupported(const QString& SourcePath) override;
    void ReportWorkerLost(const QString& SourcePath, const QString& Reason) override;
    void ReportPartlyRead(const QString& SourcePath, const QString& Reason) override;
    void ProcessMessages() override {}
    bool Idle() const override;

    // The summary as the labels last showed it, one line each, empty lines left out.
    QStringList Summary() const;

private:
    void Report(const QString& Line);
    void DrawBar();

    std::FILE* FErrors;
    bool FShowBar;
    bool FBusy = false;
    int FTotal = 0;
    int FPosition = 0;
    QString FLabels[3];
};
