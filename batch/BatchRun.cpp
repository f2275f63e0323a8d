#include "BatchRun.h"

#include <algorithm>
#include <memory>

#include "batch/DecodedSize.h"
#include "engine/MagickImage.h"

namespace {

// Returns the view to idle when a run leaves by an error.
class TIdleOnError {
public:
    explicit TIdleOnError(IBatchView& View) : FView(View) {}
    TIdleOnError(const TIdleOnError&) = delete;
    TIdleOnError& operator=(const TIdleOnError&) = delete;
    ~TIdleOnError() {
        if (FArmed) {
            FView.SetProcessing(false, 0);
        }
    }
    void Disarm() { FArmed = false; }

private:
    IBatchView& FView;
    bool FArmed = true;
};

} // namespace

QString FilesProcessedText(int Done, int Total) {
    return QStringLiteral(" Files processed: %1 of %2").arg(Done).arg(Total);
}

QString NoFilesText() {
    return QStringLiteral("There are no image files loaded");
}

TBatchRun::TBatchRun(IBatchList& List, IBatchView& View, const TSettings& RunSettings,
                     const QString& OutputRoot)
    : FList(List), FView(View), FSettings(RunSettings), FTree(OutputRoot) {}

TBatchCounts TBatchRun::Execute() {
    TBatchCounts counts;
    if (FList.Count() == 0) {
        FView.ShowWarning(NoFilesText());
        return counts;
    }

    counts.Total = FList.Count();
    FView.SetProcessing(true, counts.Total);
    TIdleOnError idleOnError(FView);
    FView.SetStatusLabel1(QStringLiteral("Processing..."));

    auto image = std::make_unique<TMagickImage>();
    ApplyWriteOptions(*image);
    int position = 0;
    while (FList.Count() > 0 && !FView.Idle()) {
        const QString path = FList.FirstPath();
        switch (ProcessFile(*image, path)) {
        case TFileOutcome::Processed:
            ++counts.Processed;
            break;
        case TFileOutcome::NonSupported:
            ++counts.NonSupported;
            FView.ReportNonSupported(path);
            break;
        case TFileOutcome::NotWritten:
            ++counts.NotWritten;
            break;
        }
        ++position;
        FView.SetProgress(position);
        FView.ShowFilesProcessed(position, counts.Total);
        FList.DeleteFirst();
        FView.ProcessMessages();
        image->Clear();
        ApplyWriteOptions(*image); // Clear resets them
    }
    counts.Cancelled = FList.Count() > 0;

    FView.SetStatusLabel1(QStringLiteral("Files Processed: %1").arg(counts.Processed));
    FView.SetStatusLabel2(QStringLiteral("Non Supported files: %1").arg(counts.NonSupported));
    FView.SetStatusLabel3(counts.NotWritten > 0
                              ? QStringLiteral("Not written: %1").arg(counts.NotWritten)
                              : QString());
    FView.ShowFilesProcessed(0, FList.Count());
    image.reset();
    idleOnError.Disarm();
    FView.SetProcessing(false, 0);
    return counts;
}

TBatchRun::TFileOutcome TBatchRun::ProcessFile(TMagickImage& Image, const QString& Path) {
    bool allWritten = true;
    try {
        std::optional<TDimensions> fitFrom;
        LoadSource(Image, Path, fitFrom);
        bool first = true;
        for (const TOutputSize size : RunOrder) {
            if (!SizeEnabled(FSettings, size)) {
                continue;
            }
            if (first && !Image.GetEmpty() && Image.HasTransparency()) {
                // JPEG keeps no transparency: what lies under it would come out, usually black.
                Image.FlattenOntoWhite();
            }
            const TSizeOutcome outcome =
                ResizeAndSave(Image, Path, size, FSettings, FTree, first ? fitFrom : std::nullopt);
            first = false;
            if (!outcome.Written) {
                allWritten = false;
                FView.ReportNotWritten(Path, outcome);
            }
        }
    } catch (...) {
        // Whatever went wrong with this file (unreadable, out of memory), the run goes on.
        return TFileOutcome::NonSupported;
    }
    return allWritten ? TFileOutcome::Processed : TFileOutcome::NotWritten;
}

void TBatchRun::LoadSource(TMagickImage& Image, const QString& Path,
                           std::optional<TDimensions>& FitFrom) {
    // The first size's box lets the JPEG decoder skip detail that the first fit would throw
    // away. The decoder makes at least the box, and every fit ends inside it, so each size is
    // still scaled down from more pixels than it keeps.
    const auto first = std::find_if(RunOrder.begin(), RunOrder.end(), [this](TOutputSize Size) {
        return SizeEnabled(FSettings, Size);
    });
    if (first == RunOrder.end()) {
        Image.LoadFromFile(Path);
        return;
    }
    const TDimensions box = SizeBox(FSettings, *first);
    Image.SetDecodeSizeHint(static_cast<std::uint32_t>(box.Width),
                            static_cast<std::uint32_t>(box.Height));
    Image.LoadFromFile(Path);
    if (Image.GetEmpty()) {
        return;
    }
    FitFrom = SizeBeforeDecodeScaling(Image);
    if (!FitFrom) {
        // The file's own size cannot be told: read it again in full, so the fit is exact.
        Image.Clear();
        ApplyWriteOptions(Image);
        Image.LoadFromFile(Path);
    }
}

void TBatchRun::ApplyWriteOptions(TMagickImage& Image) const {
    Image.SetQuality(FSettings.JPGQuality);
    Image.SetFormat(QStringLiteral("jpg"));
}
