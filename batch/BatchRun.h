#pragma once

#include <QString>
#include <QStringList>

#include <functional>

#include "batch/FileWork.h"
#include "batch/WorkerProcess.h"
#include "settings/Settings.h"

// The file list a run works through: it always takes the entry that is first at that moment and
// deletes it once handled, so the list may be re-sorted while the run pumps messages.
class IBatchList {
public:
    virtual ~IBatchList() = default;
    virtual int Count() const = 0;
    // The full path of every entry, in list order.
    virtual QStringList EntryPaths() const = 0;
    // The full path of the first entry.
    virtual QString FirstPath() const = 0;
    // Deletes the entry the run took, once its file is handled: the first entry whose path is
    // Path. The list may have been re-sorted while the file was handled, so it need no longer
    // be the first.
    virtual void DeleteEntry(const QString& Path) = 0;
    // The folders, ending in "/", that the outputs of the entry Path go into below each size
    // folder; empty for the size folder itself.
    virtual QString SubfolderOf(const QString& Path) const {
        (void)Path;
        return {};
    }
};

// What a run shows and asks of whoever started it: the main window, or the command line.
class IBatchView {
public:
    virtual ~IBatchView() = default;
    // The empty-list warning; nothing else happens in that run.
    virtual void ShowWarning(const QString& Text) = 0;
    // Busy: show a progress bar from 0 to Total, make Idle false and offer Cancel. Not busy: hide
    // the progress and Cancel and make Idle true.
    virtual void SetProcessing(bool Busy, int Total) = 0;
    virtual void SetProgress(int Position) = 0;
    // The files-processed panel; FilesProcessedText gives its text.
    virtual void ShowFilesProcessed(int Done, int Total) = 0;
    virtual void SetStatusLabel1(const QString& Text) = 0;
    virtual void SetStatusLabel2(const QString& Text) = 0;
    // The third summary line, "Not written: K", or an empty text when every output was written.
    virtual void SetStatusLabel3(const QString& Text) = 0;
    // One output of SourcePath that was not written, with the reason.
    virtual void ReportNotWritten(const QString& SourcePath, const TSizeOutcome& Outcome) = 0;
    // One output written; a log may list them.
    virtual void ReportWritten(const QString& SourcePath, const TWrittenOutput& Output) {
        (void)SourcePath;
        (void)Output;
    }
    // A file counted as non-supported. The window shows nothing for it; a log may.
    virtual void ReportNonSupported(const QString& SourcePath) { (void)SourcePath; }
    // The worker was lost over SourcePath (it crashed, hung or went past a limit) and replaced;
    // the file is reported as non-supported as well.
    virtual void ReportWorkerLost(const QString& SourcePath, const QString& Reason) {
        (void)SourcePath;
        (void)Reason;
    }
    // A file that held less than it declared (cut short); its outputs show what it held.
    virtual void ReportPartlyRead(const QString& SourcePath, const QString& Reason) {
        (void)SourcePath;
        (void)Reason;
    }
    // Runs one file's work, which touches neither the view nor the list. A window runs it off
    // its own thread and serves its events meanwhile, so it never freezes during a file.
    virtual void RunFileWork(const std::function<void()>& Work) { Work(); }
    // Serves pending events once per file: repainting, and the Cancel button.
    virtual void ProcessMessages() = 0;
    // True once Cancel was pressed; the run stops before the next file.
    virtual bool Idle() const = 0;
};

// The counts of one run.
struct TBatchCounts {
    int Total = 0;
    // Loaded, and every enabled size written.
    int Processed = 0;
    // The engine could not read the file, or another error was raised for it.
    int NonSupported = 0;
    // Loaded, but at least one enabled size could not be written.
    int NotWritten = 0;
    // Files read only in part (cut short); they are counted above as well.
    int PartlyRead = 0;
    // Stopped by Cancel with files left in the list.
    bool Cancelled = false;
    // Why the outputs could not be flushed to the disk at the end of the run; empty when they
    // were.
    QString FlushError;
};

// " Files processed: %d of %d" filled with Done and Total.
QString FilesProcessedText(int Done, int Total);

// The text of the empty-list warning.
QString NoFilesText();

// A batch run: works through a file list from the top, makes each enabled size of each file
// (Large, then Medium, then Thumb, each from the one before), writes them into the output tree
// and counts the outcomes. The pictures are decoded and encoded by worker processes (one, or
// Jobs at once); the run reads the sources and writes the outputs itself. Knows no widget: the
// list and the view stand for the window.
class TBatchRun {
public:
    // OutputRoot is the folder the size folders go below ("Resized Images" on the desktop, for
    // the window). Settings are copied: a run works with the values it started with. With Jobs
    // above 1 the list is taken as it stands at the start and worked on Jobs files at a time;
    // everything the view is told comes in list order, as with one.
    TBatchRun(IBatchList& List, IBatchView& View, const TSettings& RunSettings,
              const QString& OutputRoot, const TWorkerSettings& Workers = {}, int Jobs = 1);

    // Runs to the end of the list or to Cancel and returns the counts. When the engine is not
    // loaded or no worker can be started, the view is returned to idle and the error raised.
    TBatchCounts Execute();

private:
    // One file at a time, each taken from the top of the list as it stands then.
    void RunInTurn(TBatchCounts& Counts);
    void RunInParallel(TBatchCounts& Counts);
    // The work on one file: touches neither the view nor the list.
    TFileReport ProcessFile(const TListedFile& File);
    // Shows what became of one file, deletes its entry and moves the progress on.
    void Handled(const QString& Path, const TFileReport& Report, TBatchCounts& Counts);
    void ShowReport(const QString& Path, const TFileReport& Report, TBatchCounts& Counts);

    IBatchList& FList;
    IBatchView& FView;
    TFileWork FWork;
    TWorkerSettings FWorkerSettings;
    int FJobs;
    TWorkerClient FWorker;
    int FPosition = 0;
};
