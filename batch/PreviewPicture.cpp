#include "PreviewPicture.h"

#include <QSize>

#include "batch/DecodedSize.h"
#include "batch/JpegHeader.h"
#include "engine/EnginePhoto.h"

namespace {

// The JPEG decoder's hint that still gives LongSide's worth of pixels; nothing for another format.
std::optional<QSize> DecodeHintFor(const QByteArray& Source, int LongSide, bool Enlarge) {
    const std::optional<TJpegHeader> header = ReadJpegHeader(Source);
    if (!header) {
        return std::nullopt;
    }
    // Counted in the file's own orientation: turning twice is no turn.
    const int orientation = header->Orientation;
    const TDimensions shown =
        Upright(ShownSize(Upright(header->Stored, orientation), LongSide, Enlarge), orientation);
    const std::optional<TDimensions> hint = SmallestJpegDecodeHint(header->Stored, shown);
    if (!hint) {
        return std::nullopt;
    }
    return QSize(hint->Width, hint->Height);
}

} // namespace

TPreviewPicture MakePreviewPicture(const TPreviewRequest& Request) {
    TPreviewPicture picture;
    TEnginePhoto photo =
        TEnginePhoto::Decode(Request.Source, Request.ExtensionHint.toUtf8(),
                             DecodeHintFor(Request.Source, Request.LongSide, Request.Enlarge));
    if (photo.IsEmpty()) {
        return picture;
    }
    const QSize declared = photo.DeclaredSize();
    picture.Size = Upright({declared.width(), declared.height()}, photo.Orientation());
    picture.Shown = ShownSize(picture.Size, Request.LongSide, Request.Enlarge);
    if (!photo.TurnUpright()) {
        return {};
    }
    photo.ConvertToSrgb();
    photo.FlattenOntoWhite();
    if (!photo.Resize(QSize(picture.Shown.Width, picture.Shown.Height), true)) {
        return {};
    }
    picture.Rgb = photo.RgbPixels();
    picture.Decoded = !picture.Rgb.isEmpty();
    return picture.Decoded ? picture : TPreviewPicture{};
}
