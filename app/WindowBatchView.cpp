#include "WindowBatchView.h"

#include <exception>
#include <thread>

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>

#include "app/MainUnit.h"

void TWindowBatchView::ShowWarning(const QString& Text) {
    FForm.ShowWarning(Text);
}

void TWindowBatchView::SetProcessing(bool Busy, int Total) {
    FForm.SetProcessing(Busy, Total);
}

void TWindowBatchView::SetProgress(int Position) {
    FForm.ProgressBar->setValue(Position);
}

void TWindowBatchView::ShowFilesProcessed(int Done, int Total) {
    FForm.ShowFilesProcessed(Done, Total);
}

void TWindowBatchView::SetStatusLabel1(const QString& Text) {
    TMainForm::SetLabelText(FForm.StatusLabel1, Text);
}

void TWindowBatchView::SetStatusLabel2(const QString& Text) {
    TMainForm::SetLabelText(FForm.StatusLabel2, Text);
}

void TWindowBatchView::SetStatusLabel3(const QString& Text) {
    TMainForm::SetLabelText(FForm.StatusLabel3, Text);
    FForm.StatusLabel3->setToolTip(FForm.FNotWritten.join(QLatin1Char('\n')));
}

void TWindowBatchView::ReportNotWritten(const QString& SourcePath, const TSizeOutcome& Outcome) {
    FForm.FNotWritten
        << QStringLiteral("%1: %2 (%3)").arg(SourcePath, Outcome.OutputPath, Outcome.Reason);
}

void TWindowBatchView::RunFileWork(const std::function<void()>& Work) {
    QEventLoop waiting;
    std::exception_ptr error;
    std::thread worker([&] {
        try {
            Work();
        } catch (...) {
            error = std::current_exception();
        }
        // Queued, so it takes effect inside exec() even when the work ends before it starts.
        QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
    });
    waiting.exec();
    worker.join();
    if (error) {
        std::rethrow_exception(error);
    }
}

void TWindowBatchView::ProcessMessages() {
    QCoreApplication::processEvents();
}

bool TWindowBatchView::Idle() const {
    return FForm.Idle();
}
