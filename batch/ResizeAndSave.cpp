#include "ResizeAndSave.h"

#include <QFile>

#include <filesystem>
#include <system_error>

#include "engine/MagickImage.h"
#include "settings/Settings.h"

QString MakeFolder(const QString& Folder) {
    const std::filesystem::path path(QFile::encodeName(Folder).toStdString());
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (std::filesystem::is_directory(path)) {
        return {};
    }
    if (!error) {
        error = std::make_error_code(std::errc::not_a_directory);
    }
    return QString::fromLocal8Bit(error.message());
}

TSizeOutcome ResizeAndSave(TMagickImage& Image, const QString& SourcePath, TOutputSize Size,
                           const TSettings& RunSettings, TOutputTree& Tree,
                           std::optional<TDimensions> FitFrom) {
    TSizeOutcome outcome;
    for (const QString& folder : {Tree.Root(), Tree.SizeFolder(Size)}) {
        const QString reason = MakeFolder(folder);
        if (!reason.isEmpty()) {
            outcome.OutputPath = folder;
            outcome.Reason = QStringLiteral("cannot create the folder: ") + reason;
            return outcome;
        }
    }

    const TDimensions current = FitFrom.value_or(TDimensions{Image.GetWidth(), Image.GetHeight()});
    const TDimensions target = FitInto(current, SizeBox(RunSettings, Size));
    Image.Resize(static_cast<std::uint32_t>(target.Width),
                 static_cast<std::uint32_t>(target.Height),
                 RunSettings.RQHigh ? rmResize : rmSample, mfLanczos, 1.0);

    outcome.OutputPath = Tree.OutputPath(SourcePath, Size);
    if (Image.GetEmpty()) {
        outcome.Reason = QStringLiteral("the image could not be scaled");
        return outcome;
    }
    Image.SaveToFile(outcome.OutputPath);
    if (!Image.LastWriteError().isEmpty()) {
        outcome.Reason = Image.LastWriteError();
        return outcome;
    }
    Tree.Claim(outcome.OutputPath, SourcePath);
    outcome.Written = true;
    return outcome;
}
