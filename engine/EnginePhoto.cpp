#include "EnginePhoto.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>

#include "engine/EngineColour.h"
#include "engine/EngineMetadata.h"
#include "engine/EngineScope.h"
#include "engine/EngineText.h"
#include "engine/ImageMagickAPI.h"

namespace {

// The lossy encoders read quality 0 as "not set"; 1 is the lowest they write.
constexpr size_t kLowestQuality = 1;
constexpr size_t kHighestQuality = 100;
// The decoder's words without what follows them: the engine's own name for the bytes
// ("`source.jpg'") and a place in its sources (" @ error/jpeg.c/..."), which tell the user
// nothing and name a file that does not exist.
QString DecoderWords(const char* Reason) {
    QString words = QString::fromUtf8(Reason != nullptr ? Reason : "");
    if (const qsizetype at = words.indexOf(QStringLiteral(" @ ")); at >= 0)
        words.truncate(at);
    if (const qsizetype name = words.indexOf(QStringLiteral(" `")); name >= 0)
        words.truncate(name);
    return words.trimmed();
}

// What the decoder kept inside the frame about pixel data it could not read: a truncated or
// damaged file. Warnings about metadata come with other severities, and the most severe of all
// is the only one the record shows at its top, so every kept warning is looked at.
QString CorruptDataReason(const ExceptionInfo& Kept) {
    auto* list = static_cast<LinkedListInfo*>(Kept.exceptions);
    if (list == nullptr || Kept.severity == UndefinedException)
        return {};
    Magick::ResetLinkedListIterator(list);
    while (const auto* entry =
               static_cast<const ExceptionInfo*>(Magick::GetNextValueInLinkedList(list)))
        if (entry->severity == CorruptImageWarning || entry->severity == CorruptImageError) {
            const QString words = DecoderWords(entry->reason);
            return words.isEmpty() ? QStringLiteral("the picture data is damaged") : words;
        }
    return {};
}

bool IsYCbCr(ColorspaceType Space) {
    return Space == YCbCrColorspace || Space == Rec601YCbCrColorspace ||
           Space == Rec709YCbCrColorspace;
}

// Why nothing decoded, in the engine's words where they say more than that the format is unknown.
QString DecodeFailureText(const TExceptionRecord& Exception) {
    const ExceptionInfo* info = Exception.get();
    if (info == nullptr || info->severity == UndefinedException)
        return QStringLiteral("the picture holds no pixels");
    if (info->severity == MissingDelegateError)
        return QStringLiteral("no decoder for this format");
    if (info->severity == PolicyError)
        return QStringLiteral("this format is not allowed");
    const QString reason = DecoderWords(info->reason);
    return reason.isEmpty() ? QStringLiteral("the decoder refused the file") : reason;
}

} // namespace

void TEnginePhoto::TImageRelease::operator()(_Image* Released) const {
    Magick::DestroyImage(Released);
}

TEnginePhoto TEnginePhoto::Decode(const QByteArray& Bytes, const QByteArray& ExtensionHint,
                                  std::optional<QSize> DecodeHint) {
    TEnginePhoto photo;
    if (Bytes.isEmpty()) {
        photo.FFailure = QStringLiteral("the file is empty");
        return photo;
    }
    const TImageInfoRecord info(nullptr);
    SetDecoderExtensionHint(info.get(), ExtensionHint);
    // Only the first frame is used: the decoders of animations and multi-page files stop after
    // it, instead of holding every frame at once.
    info.get()->scene = 0;
    info.get()->number_scenes = 1;
    if (DecodeHint && DecodeHint->width() > 0 && DecodeHint->height() > 0) {
        const QByteArray size = QByteArray::number(DecodeHint->width()) + 'x' +
                                QByteArray::number(DecodeHint->height());
        Magick::SetImageOption(info.get(), "jpeg:size", size.constData());
    }
    const TExceptionRecord exception;
    Image* images = DecodeBlob(info.get(), Bytes.constData(), static_cast<size_t>(Bytes.size()),
                               exception.get());
    if (images == nullptr) {
        photo.FFailure = DecodeFailureText(exception);
        return photo;
    }
    photo.FFrame.reset(Magick::RemoveFirstImageFromList(&images));
    if (images != nullptr)
        Magick::DestroyImageList(images);
    photo.FJpeg = std::strcmp(photo.FFrame->magick, "JPEG") == 0;
    photo.FPartialReason = CorruptDataReason(photo.FFrame->exception);
    // Kept, the decoder's warning would stay with every copy and every later step.
    Magick::ClearMagickException(&photo.FFrame->exception);
    return photo;
}

QSize TEnginePhoto::Size() const {
    if (!FFrame)
        return {};
    return {ClampToInt(FFrame->columns), ClampToInt(FFrame->rows)};
}

QSize TEnginePhoto::StoredSize() const {
    if (!FFrame)
        return {};
    if (FFrame->magick_columns == 0 || FFrame->magick_rows == 0)
        return Size();
    return {ClampToInt(FFrame->magick_columns), ClampToInt(FFrame->magick_rows)};
}

int TEnginePhoto::Orientation() const {
    if (!FFrame)
        return TopLeftOrientation;
    // The decoder stores whatever number the file holds, 65535 included, which is no value of
    // the enumeration: the field is read as the integer it is, never as an enumeration.
    std::underlying_type_t<OrientationType> stored = 0;
    static_assert(sizeof stored == sizeof FFrame->orientation);
    std::memcpy(&stored, &FFrame->orientation, sizeof stored);
    if (stored < TopLeftOrientation || stored > LeftBottomOrientation)
        return TopLeftOrientation;
    return static_cast<int>(stored);
}

bool TEnginePhoto::TurnUpright() {
    if (!FFrame)
        return false;
    const auto orientation = static_cast<OrientationType>(Orientation());
    if (orientation != TopLeftOrientation) {
        const QSize stored = StoredSize();
        const TExceptionRecord exception;
        FFrame.reset(Magick::AutoOrientImage(FFrame.get(), orientation, exception.get()));
        if (!FFrame)
            return false;
        // The stored size turns with the pixels, so that it still matches a reduced decode.
        const bool swapped = orientation >= LeftTopOrientation;
        FFrame->magick_columns = static_cast<size_t>(swapped ? stored.height() : stored.width());
        FFrame->magick_rows = static_cast<size_t>(swapped ? stored.width() : stored.height());
    }
    FFrame->orientation = TopLeftOrientation;
    // The EXIF block says upright too: this engine's encoder would sync it from the frame as
    // well, but the block is what later steps and other encoders see.
    Magick::SyncImageProfiles(FFrame.get());
    return true;
}

void TEnginePhoto::ConvertToSrgb() {
    if (!FFrame)
        return;
    if (FFrame->colorspace == CMYKColorspace)
        ConvertFrameToSrgb(FFrame.get());
    else if (IsYCbCr(FFrame->colorspace))
        // The HEIF decoder hands over the luma and chroma planes as they are stored; they encode
        // RGB, which a profile, if there is one, describes.
        Magick::TransformImageColorspace(FFrame.get(), sRGBColorspace);
}

void TEnginePhoto::FlattenOntoWhite() {
    FlattenFrameOntoWhite(FFrame.get());
}

void TEnginePhoto::LimitMetadata(bool Strip, qsizetype MaxBytes) {
    LimitFrameMetadata(FFrame.get(), Strip, MaxBytes);
}

bool TEnginePhoto::Resize(QSize Target, bool High) {
    if (!FFrame)
        return false;
    Image* result = nullptr;
    if (Target.width() > 0 && Target.height() > 0) {
        const auto columns = static_cast<size_t>(Target.width());
        const auto rows = static_cast<size_t>(Target.height());
        const TExceptionRecord exception;
        result = High ? Magick::ResizeImage(FFrame.get(), columns, rows, LanczosFilter, 1.0,
                                            exception.get())
                      : Magick::SampleImage(FFrame.get(), columns, rows, exception.get());
    }
    FFrame.reset(result);
    return result != nullptr;
}

QByteArray TEnginePhoto::Encode(const char* Coder, int Quality, QString& Error) const {
    Error.clear();
    if (!FFrame) {
        Error = QStringLiteral("There is no image to encode");
        return {};
    }
    const TImageInfoRecord info(nullptr);
    CopyEngineText(info.get()->magick, Coder);
    info.get()->adjoin = MagickFalse;
    // An encoder writes a colour picture that holds only greys as a grey file, which an RGB
    // profile no longer describes.
    if (ProfileColourSpace(FFrame.get()) == "RGB ")
        info.get()->type = TrueColorType;
    // The encoder takes the quality from the frame, where a decoded JPEG left its own.
    FFrame->quality =
        Quality < 0 ? size_t{0}
                    : std::clamp(static_cast<size_t>(Quality), kLowestQuality, kHighestQuality);
    const TExceptionRecord exception;
    size_t length = 0;
    const TEngineBuffer buffer(
        Magick::ImageToBlob(info.get(), FFrame.get(), &length, exception.get()));
    if (buffer.get() == nullptr || length == 0) {
        Error = exception.Reason();
        if (Error.isEmpty())
            Error =
                QStringLiteral("The image could not be encoded as %1").arg(QLatin1String(Coder));
        // A failed encode stays recorded in the frame and would taint a later one.
        Magick::ClearMagickException(&FFrame->exception);
        return {};
    }
    return QByteArray(reinterpret_cast<const char*>(buffer.get()), static_cast<qsizetype>(length));
}

QByteArray TEnginePhoto::RgbPixels() const {
    const QSize size = Size();
    if (size.isEmpty())
        return {};
    QByteArray pixels(qsizetype{3} * size.width() * size.height(), Qt::Uninitialized);
    const TExceptionRecord exception;
    if (Magick::DispatchImage(FFrame.get(), 0, 0, static_cast<size_t>(size.width()),
                              static_cast<size_t>(size.height()), "RGB", CharPixel, pixels.data(),
                              exception.get()) == MagickFalse)
        return {};
    return pixels;
}
