#include "FileWork.h"

#include <sys/stat.h>

#include "platform/FileNames.h"
#include "platform/RegularFile.h"

namespace {

bool NotOlder(const timespec& Time, const timespec& Than) {
    return Time.tv_sec != Than.tv_sec ? Time.tv_sec > Than.tv_sec : Time.tv_nsec >= Than.tv_nsec;
}

// Whether every output of File exists already, none older than its source.
bool OutputsUpToDate(const TPreparedFile& File) {
    struct stat source = {};
    if (::stat(EncodeFileName(File.Listed.Path).constData(), &source) != 0) {
        return false;
    }
    for (std::size_t i = 0; i < File.Folders.size(); ++i) {
        struct stat output = {};
        const QByteArray name = EncodeFileName(FileNamePart(File.Outputs[i].Path));
        if (::fstatat(File.Folders[i].Descriptor(), name.constData(), &output, 0) != 0 ||
            !NotOlder(output.st_mtim, source.st_mtim)) {
            return false;
        }
    }
    return true;
}

// Reads the source of File whole into Source, or says in its report why not.
bool ReadSource(TPreparedFile& File, qint64 MaxSourceBytes, QByteArray& Source) {
    struct stat status = {};
    const QByteArray path = EncodeFileName(File.Listed.Path);
    if (::stat(path.constData(), &status) == 0) {
        File.SourceModified = status.st_mtim;
        if (status.st_size > MaxSourceBytes) {
            File.Report.Failure =
                QStringLiteral("the file is larger than the %1 MB a file may have in this run")
                    .arg(MaxSourceBytes >> 20);
            return false;
        }
    }
    if (!ReadRegularFileInto(File.Listed.Path, MaxSourceBytes, Source)) {
        File.Report.Failure = QStringLiteral("the file could not be read");
        return false;
    }
    if (Source.isEmpty()) {
        File.Report.Failure = QStringLiteral("the file is empty");
        return false;
    }
    return true;
}

// Writes one output of File; false when it was not written (noted in its report).
bool WriteOutput(TPreparedFile& File, std::size_t Index, const TEncodedOutput& Output) {
    const TOutputName& output = File.Outputs[Index];
    QString reason = Output.Error;
    if (!Output.Bytes.isEmpty()) {
        const std::optional<timespec> dated = File.KeepDates ? File.SourceModified : std::nullopt;
        reason = SafeWrite::WriteFileIn(
            File.Folders[Index], EncodeFileName(FileNamePart(output.Path)), Output.Bytes, dated);
    }
    if (!reason.isEmpty()) {
        File.Report.NotWritten.push_back({output.Path, reason});
        return false;
    }
    File.Report.Written.push_back(
        {output.Path, Output.Dimensions, Output.Bytes.size(), output.Shortened});
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
        report.Failure = made.Failure;
        report.Outcome = TFileOutcome::NonSupported;
        return;
    }
    report.PartialReadReason = made.PartialReadReason;
    bool allWritten = report.NotWritten.empty();
    for (std::size_t i = 0; i < made.Outputs.size(); ++i) {
        allWritten = WriteOutput(File, i, made.Outputs[i]) && allWritten;
    }
    report.Outcome = allWritten ? TFileOutcome::Processed : TFileOutcome::NotWritten;
}

} // namespace

TFileWork::TFileWork(const TSettings& RunSettings, const QString& OutputRoot)
    : FPlan(PlanFor(RunSettings)), FFormatChoice(RunSettings.OutputFormat),
      FKeepDates(RunSettings.KeepDates), FSkipExisting(RunSettings.SkipExisting),
      FTree(OutputRoot) {}

TPreparedFile TFileWork::Prepare(const TListedFile& File) {
    TPreparedFile file;
    file.Listed = File;
    file.KeepDates = FKeepDates;
    file.Request.Plan = FPlan;
    file.Request.ExtensionHint = FileExtension(File.Path);
    file.Request.Plan.Format = OutputFormatFor(FFormatChoice, file.Request.ExtensionHint);
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
    if (FSkipExisting && file.Report.NotWritten.empty() && OutputsUpToDate(file)) {
        file.Report.Outcome = TFileOutcome::Skipped;
        return file;
    }
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
        TOutputName output =
            FTree.OutputPath(File.Listed.Path, request.Size, subfolder,
                             QLatin1String(FormatInfo(File.Request.Plan.Format).Extension));
        FTree.Claim(output.Path, File.Listed.Path);
        kept.push_back(request);
        File.Folders.push_back(std::move(opened.Folder));
        File.Outputs.push_back(std::move(output));
    }
    File.Request.Plan.Sizes = std::move(kept);
}
