#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

#include "batch/OutputFormat.h"
#include "batch/OutputSize.h"
#include "batch/TargetSize.h"

struct TSettings;

// One output size to make, with its box.
struct TOutputRequest {
    TOutputSize Size;
    TDimensions Box;
};

// What to make of every photograph of a run: the sizes in run order (each scaled from the one
// before) and how to scale and encode them.
struct TOutputPlan {
    std::vector<TOutputRequest> Sizes;
    bool HighQuality = false;
    int Quality = 70;
    bool StripMetadata = false;
    TOutputFormat Format = TOutputFormat::Jpeg;
    // A picture already inside a box keeps its size for that box instead of being enlarged.
    bool NeverEnlarge = false;
};

// The plan the settings ask for: every enabled size, Large first, in JPEG (the run chooses each
// file's format).
TOutputPlan PlanFor(const TSettings& RunSettings);

// One output size of one photograph, encoded.
struct TEncodedOutput {
    TOutputSize Size = osLarge;
    TDimensions Dimensions;
    // The file's bytes, in the plan's format; empty when it could not be made.
    QByteArray Bytes;
    // Why Bytes is empty.
    QString Error;
};

// What became of one photograph.
struct TPhotoOutputs {
    // False when nothing could be read from the bytes: no output was made.
    bool Decoded = false;
    // Why nothing was read, in the engine's words, when it said.
    QString Failure;
    // Set when the file held less than it declared (a JPEG cut short): the outputs show what it
    // held.
    QString PartialReadReason;
    // The pixels the decoder made, as the file stores them: a JPEG read at a reduced scale
    // shows it here.
    TDimensions DecodedSize;
    // One entry per size of the plan, in its order.
    std::vector<TEncodedOutput> Outputs;
};

// Turns one photograph into the outputs of Plan: decodes it once (a JPEG at a reduced scale
// chosen from its header: in low quality the smallest that still gives the first size's fit, in
// high quality the first size's box; never above the file's own size), turns it upright by its
// orientation, converts its colours to sRGB, flattens transparency onto white for a format that
// does not keep it, keeps its metadata small (or strips it), then fits, scales and encodes each
// size, each from the one before. The fit always starts from the upright size the file declares,
// however the decoder scaled it. Works on bytes alone: it opens no file. Source is the whole
// file; ExtensionHint its extension, which guides formats without a signature.
TPhotoOutputs MakePhotoOutputs(const QByteArray& Source, const QString& ExtensionHint,
                               const TOutputPlan& Plan);
