#include "PreviewPicture.h"

#include <QSize>

#include "batch/DecodedSize.h"
#include "batch/JpegHeader.h"
#include "engine/EnginePhoto.h"

namespace {

bool QuarterTurn(int Orientation) {
    return Orientation >= 5 && Orientation <= 8;
}

TDimensions Turned(TDimensions Size, bool Quarter) {
    return Quarter ? TDimensions{Size.Height, Size.Width} : Size;
}

// The JPEG decoder's hint that still gives LongSide's worth of pixels; nothing for another format.
std::optional<QSize> DecodeHintFor(const QByteArray& Source, int LongSide, bool Enlarge) {
    const std::optional<TJpegHeader> header = ReadJpegHeader(Source);
    if (!header) {
        return std::nullopt;
    }
    const bool quarter = QuarterTurn(header->Orientation);
    const TDimensions shown =
        Turned(ShownSize(Turned(header->Stored, quarter), LongSide, Enlarge), quarter);
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
    // The size the file declares, whatever scale the decoder read it at.
    const QSize stored = photo.DecodedAsJpeg() ? photo.StoredSize() : photo.Size();
    picture.Size = Turned({stored.width(), stored.height()}, QuarterTurn(photo.Orientation()));
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
