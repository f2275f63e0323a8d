#include "PhotoOutputs.h"

#include <QSize>

#include <optional>

#include "batch/DecodedSize.h"
#include "engine/EnginePhoto.h"
#include "settings/Settings.h"

namespace {

TDimensions DimensionsOf(QSize Size) {
    return {Size.width(), Size.height()};
}

// Orientations 5 to 8 turn the picture a quarter: its upright width is its stored height.
TDimensions Upright(TDimensions Stored, int Orientation) {
    return Orientation >= 5 && Orientation <= 8 ? TDimensions{Stored.Height, Stored.Width} : Stored;
}

// Decodes Source; Stored is set to the size the file declares. Empty when nothing decodes.
TEnginePhoto DecodeForFit(const QByteArray& Source, const QByteArray& Extension,
                          const TOutputPlan& Plan, TDimensions& Stored) {
    // The first size's box lets a JPEG skip detail that the first fit would throw away. The
    // decoder makes at least the box in both directions, and every fit ends inside the box
    // however the picture is turned, so each size is still scaled down from more pixels than
    // it keeps.
    const TDimensions box = Plan.Sizes.front().Box;
    TEnginePhoto photo = TEnginePhoto::Decode(Source, Extension, QSize(box.Width, box.Height));
    if (photo.IsEmpty()) {
        return photo;
    }
    const std::optional<TDimensions> stored = SizeBeforeDecodeScaling(
        DimensionsOf(photo.Size()), DimensionsOf(photo.StoredSize()), photo.DecodedAsJpeg());
    if (stored) {
        Stored = *stored;
        return photo;
    }
    // The file's own size cannot be told from what the decoder made: read it in full, so the
    // fit is exact.
    photo = TEnginePhoto::Decode(Source, Extension, std::nullopt);
    Stored = DimensionsOf(photo.Size());
    return photo;
}

// Fits the photograph into one size's box from Current, scales it in place and encodes it;
// Current becomes the size made, so the next size starts from it.
TEncodedOutput ResizeAndSave(TEnginePhoto& Photo, TDimensions& Current,
                             const TOutputRequest& Request, const TOutputPlan& Plan) {
    TEncodedOutput output;
    output.Size = Request.Size;
    output.Dimensions = FitInto(Current, Request.Box);
    if (!Photo.Resize(QSize(output.Dimensions.Width, output.Dimensions.Height), Plan.HighQuality)) {
        output.Error = QStringLiteral("the image could not be scaled");
        return output;
    }
    Current = output.Dimensions;
    output.Jpeg = Photo.EncodeJpeg(Plan.Quality, output.Error);
    if (output.Jpeg.isEmpty() && output.Error.isEmpty()) {
        output.Error = QStringLiteral("the image could not be encoded");
    }
    return output;
}

} // namespace

TOutputPlan PlanFor(const TSettings& RunSettings) {
    TOutputPlan plan;
    for (const TOutputSize size : RunOrder) {
        if (SizeEnabled(RunSettings, size)) {
            plan.Sizes.push_back({size, SizeBox(RunSettings, size)});
        }
    }
    plan.HighQuality = RunSettings.RQHigh;
    plan.Quality = RunSettings.JPGQuality;
    plan.StripMetadata = RunSettings.StripMetadata;
    return plan;
}

TPhotoOutputs MakePhotoOutputs(const QByteArray& Source, const QString& ExtensionHint,
                               const TOutputPlan& Plan) {
    TPhotoOutputs result;
    if (Plan.Sizes.empty() || Source.isEmpty()) {
        return result;
    }
    TDimensions stored;
    TEnginePhoto photo = DecodeForFit(Source, ExtensionHint.toUtf8(), Plan, stored);
    if (photo.IsEmpty()) {
        return result;
    }
    result.Decoded = true;
    result.PartialReadReason = photo.PartialReadReason();
    TDimensions current = Upright(stored, photo.Orientation());
    photo.TurnUpright();
    photo.ConvertForJpeg();
    photo.FlattenOntoWhite();
    photo.LimitMetadata(Plan.StripMetadata);
    for (const TOutputRequest& request : Plan.Sizes) {
        result.Outputs.push_back(ResizeAndSave(photo, current, request, Plan));
    }
    return result;
}
