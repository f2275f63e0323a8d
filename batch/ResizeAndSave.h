#pragma once

#include <QString>

#include <optional>

#include "batch/OutputSize.h"
#include "batch/OutputTree.h"
#include "batch/TargetSize.h"

class TMagickImage;
struct TSettings;

// What became of one size of one source.
struct TSizeOutcome {
    bool Written = false;
    // The file written, or the file or folder that could not be made.
    QString OutputPath;
    // Why nothing was written; empty when Written.
    QString Reason;
};

// Makes one output size of the image that Image holds: makes the output folders, fits the image
// into the size's box, scales it in place (filtered when RunSettings.RQHigh, sampled otherwise) and
// writes it as JPEG into the size's folder of Tree. Image keeps the scaled image, so the next size
// starts from it. FitFrom, when given, is the size of the picture in the file, for an image the
// decoder read at a smaller scale; the fit is computed from it. Quality and format are the
// caller's: they are set on Image, not here.
//
// Raises EInvalidGraphic when Image holds no picture (the folders are made by then). A folder
// that cannot be made, a scaling that fails or a file that cannot be written raises nothing and
// comes back as an outcome that is not written, with the reason.
TSizeOutcome ResizeAndSave(TMagickImage& Image, const QString& SourcePath, TOutputSize Size,
                           const TSettings& RunSettings, TOutputTree& Tree,
                           std::optional<TDimensions> FitFrom = std::nullopt);

// Makes Folder with every missing level above it. Returns an empty text when the folder exists
// afterwards, and otherwise the system's reason.
QString MakeFolder(const QString& Folder);
