#include "WindowListView.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTreeView>

#include "app/MainForm.h"
#include "dialogs/MessageDialogs.h"

bool TWindowListView::Idle() const {
    return FForm.Idle();
}

void TWindowListView::SetIdle(bool Value) {
    FForm.SetBusy(!Value);
}

void TWindowListView::SetStatusLabel1(const QString& Text) {
    TMainForm::SetLabelText(FForm.StatusLabel1, Text);
    FForm.StatusGB->repaint();
}

void TWindowListView::ShowWaitingCount() {
    FForm.ShowWaitingCount();
}

void TWindowListView::ShowFilesProcessed(int Done, int Total) {
    FForm.ShowFilesProcessed(Done, Total);
}

void TWindowListView::ShowProgress(int Maximum) {
    FForm.ShowProgressInStatusBar();
    FForm.ProgressBar->setRange(0, Maximum);
    FForm.ProgressBar->setValue(0);
}

void TWindowListView::SetProgress(int Position) {
    FForm.ProgressBar->setValue(Position);
}

void TWindowListView::HideProgress() {
    FForm.ProgressBar->setValue(0);
    FForm.ProgressBar->hide();
}

void TWindowListView::SetWaitCursor(bool On) {
    if (On)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

void TWindowListView::BeginListUpdate() {
    FForm.ListView->setUpdatesEnabled(false);
}

void TWindowListView::EndListUpdate() {
    FForm.ListView->setUpdatesEnabled(true);
}

void TWindowListView::ProcessMessages() {
    QCoreApplication::processEvents();
}

void TWindowListView::ReportError(const QString& Text) {
    ErrorDialog(nullptr, Text);
}
