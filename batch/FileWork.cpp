#include "FileWork.h"

#include <cstdint>
#include <limits>
#include <optional>

#include "platform/FileNames.h"
#include "platform/RegularFile.h"

namespace {

// Sources are read whole before decoding; larger ones than the engine's byte count takes are
// refused, not half read.
constexpr qint64 kMaxSourceBytes = std::numeric_limits<std::uint32_t>::max();

} // namespace

TFileWork::TFileWork(const TSettings& RunSettings, const QString& OutputRoot)
    : FPlan(PlanFor(RunSettings)), FTree(OutputRoot) {}

TPreparedFile TFileWork::Prepare(const TListedFile& File) const {
    const QString& Path = File.Path;
    TPreparedFile file;
    file.Path = Path;
    file.Subfolder = File.Subfolder;
    file.Request.Plan = FPlan;
    if (file.Request.Plan.Sizes.empty()) {
        file.Report.Outcome = TFileOutcome::Processed; // nothing asked of this file
        return file;
    }
    // Folders first: a size whose folder cannot be made is left out, so the next size is fitted
    // as if it had not been asked for.
    OpenFolders(file.Request.Plan, file.Subfolder, file.Folders, file.Report);
    if (file.Folders.empty()) {
        file.Report.Outcome = TFileOutcome::NotWritten;
        return file;
    }
    std::optional<QByteArray> source = ReadRegularFile(Path, kMaxSourceBytes);
    if (!source || source->isEmpty()) {
        return file; // not supported
    }
    file.Request.Source = std::move(*source);
    file.Request.ExtensionHint = FileExtension(Path);
    file.NeedsWorker = true;
    return file;
}

void TFileWork::Finish(TPreparedFile& File, const TWorkerReply& Reply) {
    TFileReport& report = File.Report;
    if (!Reply.Outputs) {
        report.WorkerFailure = Reply.Failure;
        report.Outcome = TFileOutcome::NonSupported;
        return;
    }
    const TPhotoOutputs& made = *Reply.Outputs;
    if (!made.Decoded) {
        report.Outcome = TFileOutcome::NonSupported;
        return;
    }
    report.PartialReadReason = made.PartialReadReason;
    bool allWritten = report.NotWritten.empty();
    for (std::size_t i = 0; i < made.Outputs.size(); ++i) {
        allWritten = WriteOutput(File, made.Outputs[i], File.Folders[i], report) && allWritten;
    }
    report.Outcome = allWritten ? TFileOutcome::Processed : TFileOutcome::NotWritten;
}

void TFileWork::OpenFolders(TOutputPlan& Plan, const QString& Subfolder,
                            std::vector<SafeWrite::TFolder>& Folders, TFileReport& Report) const {
    // The root once for all sizes.
    const SafeWrite::TOpenedFolder root = FTree.OpenRoot();
    std::vector<TOutputRequest> kept;
    for (const TOutputRequest& request : Plan.Sizes) {
        SafeWrite::TOpenedFolder opened =
            TOutputTree::OpenSizeFolderIn(root, request.Size, Subfolder);
        if (!opened.Error.isEmpty()) {
            Report.NotWritten.push_back(
                {FTree.SizeFolder(request.Size, Subfolder),
                 QStringLiteral("cannot create the folder: ") + opened.Error});
            continue;
        }
        kept.push_back(request);
        Folders.push_back(std::move(opened.Folder));
    }
    Plan.Sizes = std::move(kept);
}

bool TFileWork::WriteOutput(const TPreparedFile& File, const TEncodedOutput& Output,
                            const SafeWrite::TFolder& Folder, TFileReport& Report) {
    const QString& Path = File.Path;
    const QString outputPath = FTree.OutputPath(Path, Output.Size, File.Subfolder);
    QString reason = Output.Error;
    if (!Output.Jpeg.isEmpty()) {
        reason =
            SafeWrite::WriteFileIn(Folder, EncodeFileName(FileNamePart(outputPath)), Output.Jpeg);
    }
    if (!reason.isEmpty()) {
        Report.NotWritten.push_back({outputPath, reason});
        return false;
    }
    FTree.Claim(outputPath, Path);
    Report.Written.push_back({outputPath, Output.Dimensions, Output.Jpeg.size()});
    return true;
}
