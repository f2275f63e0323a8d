#include "TerminalView.h"

#include "cli/Interrupt.h"
#include "platform/FileNames.h"

namespace {

constexpr int kBarWidth = 30;

} // namespace

TTerminalView::TTerminalView(std::FILE* Errors, bool ShowBar)
    : FErrors(Errors), FShowBar(ShowBar) {}

void TTerminalView::ShowWarning(const QString& Text) {
    Report(Text);
}

void TTerminalView::SetProcessing(bool Busy, int Total) {
    if (Busy) {
        FBusy = true;
        FTotal = Total;
        FPosition = 0;
        DrawBar();
        return;
    }
    if (FBusy && FShowBar) {
        std::fputs("\n", FErrors);
        std::fflush(FErrors);
    }
    FBusy = false;
}

void TTerminalView::SetProgress(int Position) {
    FPosition = Position;
    DrawBar();
}

void TTerminalView::ReportNotWritten(const QString& SourcePath, const TSizeOutcome& Outcome) {
    Report(QStringLiteral("not written: %1 (from %2): %3")
               .arg(Outcome.OutputPath, SourcePath, Outcome.Reason));
}

void TTerminalView::ReportNonSupported(const QString& SourcePath) {
    Report(QStringLiteral("not supported: %1").arg(SourcePath));
}

void TTerminalView::ReportWorkerLost(const QString& SourcePath, const QString& Reason) {
    Report(QStringLiteral("%1: %2").arg(SourcePath, Reason));
}

void TTerminalView::ReportPartlyRead(const QString& SourcePath, const QString& Reason) {
    Report(QStringLiteral("warning: read only in part: %1: %2").arg(SourcePath, Reason));
}

bool TTerminalView::Idle() const {
    return Interrupted();
}

QStringList TTerminalView::Summary() const {
    QStringList lines;
    for (const QString& label : FLabels) {
        if (!label.isEmpty()) {
            lines << label;
        }
    }
    return lines;
}

void TTerminalView::Report(const QString& Line) {
    if (FBusy && FShowBar) {
        std::fputs("\r\033[K", FErrors); // the bar gives way to the line, then comes back
    }
    std::fprintf(FErrors, "vellumkite-batch: %s\n", EncodeFileName(Line).constData());
    DrawBar();
}

void TTerminalView::DrawBar() {
    if (!FBusy || !FShowBar) {
        std::fflush(FErrors);
        return;
    }
    const int filled = FTotal > 0 ? FPosition * kBarWidth / FTotal : 0;
    const QByteArray bar = QByteArray(filled, '#') + QByteArray(kBarWidth - filled, '-');
    std::fprintf(FErrors, "\r[%s] %d/%d", bar.constData(), FPosition, FTotal);
    std::fflush(FErrors);
}
