#pragma once

#include <cstdio>

#include "batch/BatchJob.h"
#include "cli/CliOptions.h"

// A run as the terminal shows it: a progress bar on standard error when that is a terminal,
// reports of outputs not written, files not supported and files read only in part on standard
// error, and with --verbose a line per output written, with its source, on standard output.
class TTerminalView {
public:
    TTerminalView(std::FILE* Output, std::FILE* Errors, TVerbosity Verbosity, bool ShowBar);

    // Shows Job's events from its start to its end.
    void Follow(const TBatchJob& Job);
    void Begin(int Total);
    void Progress(int Done);
    void Report(const TListedFile& File, const TFileReport& Report);
    void End();
    void Warn(const QString& Text);

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
