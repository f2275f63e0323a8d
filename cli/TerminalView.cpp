#include "TerminalView.h"

#include <algorithm>

#include <QLocale>

#include "cli/Interrupt.h"
#include "platform/FileNames.h"

namespace {

constexpr int kBarWidth = 30;

QString Prefixed(const QString& Line) {
    return QStringLiteral("vellumkite-batch: ") + Line;
}

} // namespace

TPathList::TPathList(const std::vector<TScannedFile>& Files) {
    for (const TScannedFile& file : Files) {
        FFiles.push_back(file.Path);
        if (!file.Subfolder.isEmpty()) {
            FSubfolders.insert(file.Path, file.Subfolder);
        }
    }
}

QStringList TPathList::EntryPaths() const {
    return QStringList(FFiles.begin(), FFiles.end());
}

QString TPathList::SubfolderOf(const QString& Path) const {
    return FSubfolders.value(Path);
}

void TPathList::DeleteEntry(const QString& Path) {
    // Files are handed back in list order, so the entry is almost always the first.
    const auto entry = std::find(FFiles.begin(), FFiles.end(), Path);
    if (entry != FFiles.end()) {
        FFiles.erase(entry);
    }
}

TTerminalView::TTerminalView(std::FILE* Output, std::FILE* Errors, TVerbosity Verbosity,
                             bool ShowBar)
    : FOutput(Output), FErrors(Errors), FVerbosity(Verbosity),
      FShowBar(ShowBar && Verbosity == TVerbosity::Normal) {}

void TTerminalView::ShowWarning(const QString& Text) {
    Print(FErrors, Prefixed(Text));
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

void TTerminalView::ReportWritten(const QString&, const TWrittenOutput& Output) {
    if (FVerbosity == TVerbosity::Verbose) {
        Print(FOutput, QStringLiteral("wrote %1 (%2x%3, %4)")
                           .arg(Output.OutputPath)
                           .arg(Output.Dimensions.Width)
                           .arg(Output.Dimensions.Height)
                           .arg(QLocale::c().formattedDataSize(Output.Bytes, 1)));
    }
}

void TTerminalView::ReportNotWritten(const QString& SourcePath, const TSizeOutcome& Outcome) {
    Print(FErrors, Prefixed(QStringLiteral("not written: %1 (from %2): %3")
                                .arg(Outcome.OutputPath, SourcePath, Outcome.Reason)));
}

void TTerminalView::ReportNonSupported(const QString& SourcePath) {
    Print(FErrors, Prefixed(QStringLiteral("not supported: %1").arg(SourcePath)));
}

void TTerminalView::ReportWorkerLost(const QString& SourcePath, const QString& Reason) {
    Print(FErrors, Prefixed(QStringLiteral("%1: %2").arg(SourcePath, Reason)));
}

void TTerminalView::ReportPartlyRead(const QString& SourcePath, const QString& Reason) {
    if (FVerbosity != TVerbosity::Quiet) {
        Print(
            FErrors,
            Prefixed(QStringLiteral("warning: read only in part: %1: %2").arg(SourcePath, Reason)));
    }
}

bool TTerminalView::Idle() const {
    return Interrupted();
}

void TTerminalView::Print(std::FILE* Stream, const QString& Line) {
    if (FBusy && FShowBar) {
        std::fputs("\r\033[K", FErrors); // the bar gives way to the line, then comes back
        std::fflush(FErrors);
    }
    std::fprintf(Stream, "%s\n", EncodeFileName(Line).constData());
    std::fflush(Stream);
    DrawBar();
}

void TTerminalView::DrawBar() {
    if (!FBusy || !FShowBar) {
        return;
    }
    const int filled = FTotal > 0 ? FPosition * kBarWidth / FTotal : 0;
    const QByteArray bar = QByteArray(filled, '#') + QByteArray(kBarWidth - filled, '-');
    std::fprintf(FErrors, "\r[%s] %d/%d", bar.constData(), FPosition, FTotal);
    std::fflush(FErrors);
}
