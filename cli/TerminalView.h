#pragma once

#include <cstdio>
#include <deque>

#include <QHash>

#include "batch/BatchRun.h"
#include "cli/CliOptions.h"
#include "cli/PathScan.h"

// The command line's file list: the files in the order gathered.
class TPathList : public IBatchList {
public:
    explicit TPathList(const std::vector<TScannedFile>& Files);
    int Count() const override { return static_cast<int>(FFiles.size()); }
    QStringList EntryPaths() const override;
    QString FirstPath() const override { return FFiles.front(); }
    QString SubfolderOf(const QString& Path) const override;
    void DeleteEntry(const QString& Path) override;

private:
    std::deque<QString> FFiles;
    // The subfolder of every file that has one: a run over several files at once asks for each.
    QHash<QString, QString> FSubfolders;
};

// A run's view on a terminal: a progress bar on standard error when that is a terminal, reports
// of outputs not written and files not supported on standard error, and with --verbose a line per
// output written on standard output. Ctrl+C is its Cancel button.
class TTerminalView : public IBatchView {
public:
    TTerminalView(std::FILE* Output, std::FILE* Errors, TVerbosity Verbosity, bool ShowBar);

    void ShowWarning(const QString& Text) override;
    void SetProcessing(bool Busy, int Total) override;
    void SetProgress(int Position) override;
    // The summary is the command line's own, made from the counts.
    void ShowFilesProcessed(int, int) override {}
    void SetStatusLabel1(const QString&) override {}
    void SetStatusLabel2(const QString&) override {}
    void SetStatusLabel3(const QString&) override {}
    void ReportWritten(const QString& SourcePath, const TWrittenOutput& Output) override;
    void ReportNotWritten(const QString& SourcePath, const TSizeOutcome& Outcome) override;
    void ReportNonSupported(const QString& SourcePath) override;
    void ReportWorkerLost(const QString& SourcePath, const QString& Reason) override;
    void ReportPartlyRead(const QString& SourcePath, const QString& Reason) override;
    void ProcessMessages() override {}
    bool Idle() const override;

private:
    // One line on Stream, the bar cleared for it and drawn again below it.
    void Print(std::FILE* Stream, const QString& Line);
    void DrawBar();

    std::FILE* FOutput;
    std::FILE* FErrors;
    TVerbosity FVerbosity;
    bool FShowBar;
    bool FBusy = false;
    int FTotal = 0;
    int FPosition = 0;
};
