// A run as the main window shows it: the progress over the status bar, the labels, Cancel and
// the animation, driven by the run's events; the window serves its events all the while.

#include "MainForm.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeView>

#include "app/CopyAnimation.h"
#include "batch/OutputTree.h"
#include "settings/Settings.h"

namespace {

QString FilesProcessedText(int Done, int Total) {
    return QStringLiteral(" Files processed: %1 of %2").arg(Done).arg(Total);
}

// The first few reasons, and how many more: a tooltip, and what a screen reader reads of the
// label, stay short however many files a run could not read or write.
QString ReasonsTip(const QStringList& Reasons) {
    constexpr qsizetype kShown = 5;
    QStringList lines = Reasons.mid(0, kShown);
    if (Reasons.size() > kShown) {
        lines << QStringLiteral("and %1 more").arg(Reasons.size() - kShown);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

void TMainForm::ProcessImagesExecute() {
    if (FBatchList == nullptr || FBatchList->WaitingCount() == 0) {
        ShowWarning(QStringLiteral("There are no image files loaded"));
        return;
    }
    TJobOptions options;
    options.Workers = FWorkers;
    options.Jobs = JobsFor(Settings);
    auto* run = new TBatchJob(*FBatchList, Settings, OutputRootFor(Settings), options, this);
    connect(run, &TBatchJob::Progress, this, &TMainForm::RunProgress);
    connect(run, &TBatchJob::FileHandled, this, &TMainForm::RunFileHandled);
    connect(run, &TBatchJob::Finished, this, &TMainForm::RunFinished);
    try {
        run->Start();
    } catch (...) {
        delete run; // nothing started: the window stays idle, and the error is reported
        throw;
    }
    FRun = run;
    SetProcessing(true, FBatchList->WaitingCount());
}

void TMainForm::CancelButtonClick() {
    if (FRun != nullptr) {
        FRun->Stop();
    }
}

void TMainForm::RunProgress(int Done, int Total) {
    ProgressBar->setValue(Done);
    ShowFilesProcessed(Done, Total);
}

void TMainForm::RunFileHandled(const TListedFile& File, const TFileReport& Report) {
    if (Report.Outcome == TFileOutcome::NonSupported) {
        FNotSupported << (Report.Failure.isEmpty()
                              ? File.Path
                              : QStringLiteral("%1: %2").arg(File.Path, Report.Failure));
    }
    for (const TSizeOutcome& notWritten : Report.NotWritten) {
        FNotWritten << QStringLiteral("%1: %2 (%3)")
                           .arg(File.Path, notWritten.OutputPath, notWritten.Reason);
    }
}

void TMainForm::RunFinished(const TBatchCounts& Counts) {
    SetLabelText(StatusLabel1, QStringLiteral("Files Processed: %1").arg(Counts.Processed));
    SetLabelText(StatusLabel2, QStringLiteral("Non Supported files: %1").arg(Counts.NonSupported));
    StatusLabel2->setToolTip(ReasonsTip(FNotSupported));
    QStringList others;
    if (Counts.NotWritten > 0) {
        others << QStringLiteral("Not written: %1").arg(Counts.NotWritten);
    }
    if (Counts.Skipped > 0) {
        others << QStringLiteral("Up to date: %1").arg(Counts.Skipped);
    }
    SetLabelText(StatusLabel3, others.join(QStringLiteral(", ")));
    StatusLabel3->setToolTip(ReasonsTip(FNotWritten));
    ShowFilesProcessed(0, FBatchList->WaitingCount());
    FRun->deleteLater();
    FRun = nullptr;
    SetProcessing(false, 0);
    if (!Counts.StartError.isEmpty()) {
        ShowWarning(Counts.StartError);
    }
    if (Counts.NotWritten > 0) {
        // Said once, with the first reason: the files stay in the list for another run.
        ShowWarning(QStringLiteral("%1 of the images could not be written, and stay in the list. "
                                   "The first: %2")
                        .arg(Counts.NotWritten)
                        .arg(FNotWritten.value(0)));
    }
    if (!Counts.FlushError.isEmpty()) {
        // The outputs are in place, but a crash of the machine now could still lose them.
        ShowWarning(QStringLiteral("The resized images could not be flushed to the disk: %1")
                        .arg(Counts.FlushError));
    }
}

void TMainForm::ShowFilesProcessed(int Done, int Total) {
    StatusPanels[1]->setText(FilesProcessedText(Done, Total));
    statusBar()->repaint();
}

void TMainForm::SetProcessing(bool Busy, int Total) {
    const std::array<QWidget*, 3> waiting{ToolBar, StatusGB, ListView};
    if (Busy) {
        ProgressBar->setRange(0, Total);
        ProgressBar->setValue(0);
        ShowProgressInStatusBar();
        SetLabelText(StatusLabel1, QStringLiteral("Processing..."));
        for (QWidget* control : waiting) {
            control->setCursor(Qt::WaitCursor);
        }
        CancelButton->setCursor(Qt::ArrowCursor);
        // The last run's results give way to this one's.
        SetLabelText(StatusLabel3, QString());
        FNotWritten.clear();
        FNotSupported.clear();
    } else {
        ProgressBar->hide();
        ProgressBar->setValue(0);
        for (QWidget* control : waiting) {
            control->unsetCursor();
        }
        CancelButton->unsetCursor();
    }
    SetBusy(Busy);
    Animate->SetPlaying(Busy);
    CancelButton->setVisible(Busy);
    CancelButton->repaint();
}
