#include "PhotoOutputs.h"

#include <QSize>

#include <optional>

#include "batch/DecodedSize.h"
#include "batch/JpegHeader.h"
#include "engine/EnginePhoto.h"
#include "settings/Settings.h"

namespace {

TDimensions DimensionsOf(QSize Size) {
    return {Size.width(), Size.height()};
}

// Current fitted into Box; without enlarging when the plan says so.
TDimensions Fitted(TDimensions Current, TDimensions Box, const TOutputPlan& Plan) {
    if (Plan.NeverEnlarge && Current.Width <= Box.Width && Current.Height <= Box.Height) {
        return Current;
    }
    return FitInto(Current, Box);
}

// The size hint for the JPEG decoder, from the file's header: nothing for another format, or
// when the file must be read at its own size.
std::optional<QSize> DecodeHintFor(const QByteArray& Source, const TOutputPlan& Plan) {
    const std::optional<TJpegHeader> header = ReadJpegHeader(Source);
    if (!header) {
        return std::nullopt;
    }
    const TDimensions stored = header->Stored;
    const TDimensions box = Plan.Sizes.front().Box;
    std::optional<TDimensions> hint;
    if (Plan.HighQuality) {
        // The filter draws each output pixel from the pixels around it: read at least the box
        // in both directions, so it keeps what a full decode would give it.
        hint = BoxJpegDecodeHint(stored, box);
    } else {
        // Sampling keeps single pixels: the first size's fit is all the decoder need make,
        // counted in the file's own orientation (turning twice is no turn).
        const TDimensions fitted = Fitted(Upright(stored, header->Orientation), box, Plan);
        hint = SmallestJpegDecodeHint(stored, Upright(fitted, header->Orientation));
    }
    if (!hint) {
        return std::nullopt;
    }
    return QSize(hint->Width, hint->Height);
}

// Fits the photograph into one size's box from Current, scales it in place and encodes it;
// Current becomes the size made, so the next size starts from it.
TEncodedOutput ResizeAndSave(TEnginePhoto& Photo, TDimensions& Current,
                             const TOutputRequest& Request, const TOutputPlan& Plan) {
    TEncodedOutput output;
    output.Size = Request.Size;
    output.Dimensions = Fitted(Current, Request.Box, Plan);
    const QSize target(output.Dimensions.Width, output.Dimensions.Height);
    // A picture kept at its own size is written as decoded, not filtered again.
    const bool kept = Plan.NeverEnlarge && Photo.Size() == target;
    if (!kept && !Photo.Resize(target, Plan.HighQuality)) {
        output.Error = QStringLiteral("the image could not be scaled");
        return output;
    }
    Current = output.Dimensions;
    const TOutputFormatInfo& format = FormatInfo(Plan.Format);
    output.Bytes = Photo.Encode(format.Coder, format.Lossy ? Plan.Quality : -1, output.Error);
    if (output.Bytes.isEmpty() && output.Error.isEmpty()) {
        output.Error = QStringLiteral("the image could not be encoded");
    }
    return output;
}

} // namespace

TOutputPlan PlanFor(const TSettings& RunSettings) {
    TOutputPlan plan;
    for (const TOutputSize size : kRunOrder) {
        if (SizeEnabled(RunSettings, size)) {
            plan.Sizes.push_back({size, SizeBox(RunSettings, size)});
        }
    }
    plan.HighQuality = RunSettings.RQHigh;
    plan.Quality = RunSettings.JPGQuality;
    plan.StripMetadata = RunSettings.StripMetadata;
    plan.NeverEnlarge = RunSettings.NeverEnlarge;
    return plan;
}

TPhotoOutputs MakePhotoOutputs(const QByteArray& Source, const QString& ExtensionHint,
                               const TOutputPlan& Plan) {
    TPhotoOutputs result;
    if (Plan.Sizes.empty() || Source.isEmpty()) {
        return result;
    }
    TEnginePhoto photo =
        TEnginePhoto::Decode(Source, ExtensionHint.toUtf8(), DecodeHintFor(Source, Plan));
    if (photo.IsEmpty()) {
        result.Failure = photo.DecodeFailure();
        return result;
    }
    result.Decoded = true;
    result.PartialReadReason = photo.PartialReadReason();
    result.DecodedSize = DimensionsOf(photo.Size());
    // The fit starts from the size the file declares, whatever scale it was read at.
    const TDimensions stored = DimensionsOf(photo.DeclaredSize());
    TDimensions current = Upright(stored, photo.Orientation());
    photo.TurnUpright();
    photo.ConvertToSrgb();
    if (!FormatInfo(Plan.Format).KeepsTransparency) {
        photo.FlattenOntoWhite();
    }
    photo.LimitMetadata(Plan.StripMetadata);
    for (const TOutputRequest& request : Plan.Sizes) {
        result.Outputs.push_back(ResizeAndSave(photo, current, request, Plan));
    }
    return result;
}
