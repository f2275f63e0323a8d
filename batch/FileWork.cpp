#include "FileWork.h"

#include <sys/stat.h>

#include "platform/FileNames.h"
#include "platform/RegularFile.h"

namespace {

// Reads the source of File whole into Source, or says in its report why not.
bool ReadSource(TPreparedFile& File, qint64 MaxSourceBytes, QByteArray& Source) {
    struct stat status = {};
    const QByteArray path = EncodeFileName(File.Listed.Path);
    if (::stat(path.constData(), &status) == 0 && status.st_size > MaxSourceBytes) {
        File.Report.Failure =
            QStringLiteral("the file is larger than the %1 MB a file may have in this run")
                .arg(MaxSourceBytes >> 20);
        return false;
    }
    // An empty file is not supported.
    return ReadRegularFileInto(File.Listed.Path, MaxSourceBytes, Source) && !Source.isEmpty();
}

// Writes one output; false when it was not written (noted in Report).
bool WriteOutput(const QString& OutputPath, const TEncodedOutput& Output,
                 const SafeWrite::TFolder& Folder, TFileReport& Report) {
    QString reason = Output.Error;
    if (!Output.Jpeg.isEmpty()) {
        reason =
            SafeWrite::WriteFileIn(Folder, EncodeFileName(FileNamePart(OutputPath)), Output.Jpeg);
    }
    if (!reason.isEmpty()) {
        Report.NotWritten.push_back({OutputPath, reason});
        return false;
    }
    Report.Written.push_back({OutputPath, Output.Dimensions, Output.Jpeg.size()});
    return true;
}

// Writes what the worker made of File and completes its report.
void Finish(TPreparedFile& File, const TWorkerReply& Reply) {
    TFileReport& report = File.Report;
    if (!Reply.Outputs) {
        report.Failure = Reply.Failure;
        report.WorkerLost = true;
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
        allWritten = WriteOutput(File.OutputPaths[static_cast<qsizetype>(i)], made.Outputs[i],
                                 File.Folders[i], report) &&
                     allWritten;
    }
    report.Outcome = allWritten ? TFileOutcome::Processed : TFileOutcome::NotWritten;
}

} // namespace

TFileWork::TFileWork(const TSettings& RunSettings, const QString& OutputRoot)
    : FPlan(PlanFor(RunSettings)), FTree(OutputRoot) {}

TPreparedFile TFileWork::Prepare(const TListedFile& File) {
    TPreparedFile file;
    file.Listed = File;
    file.Request.Plan = FPlan;
    if (file.Request.Plan.Sizes.empty()) {
        file.Report.Outcome = TFileOutcome::Processed; // nothing asked of this file
        return file;
    }
    // Folders first: a size whose folder cannot be made is left out, so the next size is fitted
    // as if it had not been asked for.
    OpenFolders(file);
    if (file.Folders.empty()) {
        file.Report.Outcome = TFileOutcome::NotWritten;
        return file;
    }
    file.Request.ExtensionHint = FileExtension(File.Path);
    file.NeedsWorker = true;
    return file;
}

void TFileWork::Complete(TPreparedFile& File, TWorkerClient& Worker, qint64 MaxSourceBytes,
                         QByteArray& Buffer) {
    try {
        if (!ReadSource(File, MaxSourceBytes, Buffer)) {
            return; // not supported
        }
        File.Request.Source = std::move(Buffer);
        const TWorkerReply reply = Worker.Make(File.Request);
        Buffer = std::move(File.Request.Source); // for the next file
        Finish(File, reply);
    } catch (...) {
        // Whatever went wrong with this file (out of memory), the run goes on.
        File.Request.Source.clear();
        File.Report.Outcome = TFileOutcome::NonSupported;
    }
}

void TFileWork::OpenFolders(TPreparedFile& File) {
    if (!FRoot.Folder.IsOpen()) {
        FRoot = FTree.OpenRoot();
    }
    const QString& subfolder = File.Listed.Subfolder;
    std::vector<TOutputRequest> kept;
    for (const TOutputRequest& request : File.Request.Plan.Sizes) {
        SafeWrite::TOpenedFolder opened =
            TOutputTree::OpenSizeFolderIn(FRoot, request.Size, subfolder);
        if (!opened.Error.isEmpty()) {
            File.Report.NotWritten.push_back(
                {FTree.SizeFolder(request.Size, subfolder),
                 QStringLiteral("cannot create the folder: ") + opened.Error});
            continue;
        }
        const QString outputPath = FTree.OutputPath(File.Listed.Path, request.Size, subfolder);
        FTree.Claim(outputPath, File.Listed.Path);
        kept.push_back(request);
        File.Folders.push_back(std::move(opened.Folder));
        File.OutputPaths << outputPath;
    }
    File.Request.Plan.Sizes = std::move(kept);
}
