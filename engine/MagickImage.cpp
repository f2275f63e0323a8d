#include "MagickImage.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include <QBuffer>
#include <QClipboard>
#include <QImage>
#include <QPainter>

#include "engine/EngineScope.h"
#include "engine/EngineText.h"
#include "engine/ImageMagickAPI.h"
#include "platform/AsciiText.h"
#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "platform/RegularFile.h"
#include "platform/SafeWrite.h"

namespace {

// Files are read whole before decoding; larger ones than the engine's byte count takes are
// refused, not half read.
constexpr qint64 kMaxSourceBytes = std::numeric_limits<std::uint32_t>::max();

// Unlinks one frame from its list while it is encoded alone, and links it back on exit.
class TDetachedFrame {
public:
    explicit TDetachedFrame(Image* Frame)
        : FHeld(Frame), FPrevious(Frame->previous), FNext(Frame->next) {
        Frame->previous = nullptr;
        Frame->next = nullptr;
    }
    ~TDetachedFrame() {
        FHeld->previous = FPrevious;
        FHeld->next = FNext;
    }
    TDetachedFrame(const TDetachedFrame&) = delete;
    TDetachedFrame& operator=(const TDetachedFrame&) = delete;

private:
    Image* FHeld;
    Image* FPrevious;
    Image* FNext;
};

FilterTypes EngineFilter(std::uint32_t OldFilter) {
    // Values up to Mitchell kept their numbers; Lanczos, Bessel and Sinc moved.
    switch (OldFilter) {
    case mfLanczos:
        return LanczosFilter;
    case 14:
        return JincFilter;
    case 15:
        return SincFilter;
    default:
        return OldFilter <= MitchellFilter ? static_cast<FilterTypes>(OldFilter) : UndefinedFilter;
    }
}

} // namespace

TMagickImage::TMagickImage() {
    CheckLibraryLoaded();
    Clear();
}

TMagickImage::~TMagickImage() {
    // Objects never outlive the engine in this program; if one did, leaking beats a dead call.
    if (Magick::DestroyImageInfo == nullptr)
        return;
    ReleaseImages();
    if (ImageInfo != nullptr)
        Magick::DestroyImageInfo(ImageInfo);
}

void TMagickImage::ReleaseImages() {
    if (Images != nullptr)
        Magick::DestroyImageList(Images);
    Images = nullptr;
}

void TMagickImage::Clear() {
    ReleaseImages();
    if (ImageInfo != nullptr)
        Magick::DestroyImageInfo(ImageInfo);
    ImageInfo = Magick::CloneImageInfo(nullptr);
    FrameIndex = 0;
}

void TMagickImage::SetQuality(int Value) {
    // A negative quality from a hand-edited file means the engine's default, as 0 does.
    if (ImageInfo != nullptr)
        ImageInfo->quality = static_cast<size_t>(std::max(Value, 0));
}

void TMagickImage::SetFormat(const QString& Name) {
    if (ImageInfo == nullptr)
        return;
    QByteArray format = AsciiUpper(Name.toUtf8());
    if (format.startsWith('.'))
        format.remove(0, 1);
    if (format.size() <= kMaxEngineText)
        CopyEngineText(ImageInfo->magick, format);
}

QString TMagickImage::GetFormat() const {
    return ImageInfo != nullptr ? QString::fromUtf8(ImageInfo->magick) : QString();
}

int TMagickImage::GetQuality() const {
    return ImageInfo != nullptr ? ClampToInt(ImageInfo->quality) : 0;
}

void TMagickImage::LoadFromFile(const QString& FileName) {
    ReleaseImages();
    const QByteArray encoded = EncodeFileName(FileName);
    if (ImageInfo == nullptr || encoded.isEmpty() || encoded.size() > kMaxEngineText)
        return;
    // Read the bytes ourselves: the engine reads frame and format syntax in names.
    std::optional<QByteArray> bytes = ReadRegularFile(FileName, kMaxSourceBytes);
    if (!bytes || bytes->isEmpty())
        return;
    QBuffer stream(&*bytes);
    stream.open(QIODevice::ReadOnly);
    // The extension still guides the engine for formats without a signature.
    Images = Decode(stream, static_cast<std::uint32_t>(bytes->size()),
                    FileExtension(FileName).toLatin1());
}

void TMagickImage::LoadFromStream(QIODevice& Stream) {
    const qint64 remaining = Stream.size() - Stream.pos();
    if (remaining < 1)
        throw EInvalidGraphic("Stream size must be defined.");
    ReleaseImages();
    if (ImageInfo == nullptr)
        return;
    Images =
        Decode(Stream, static_cast<std::uint32_t>(std::min<qint64>(remaining, UINT32_MAX)), {});
}

_Image* TMagickImage::Decode(QIODevice& Stream, std::uint32_t Count,
                             const QByteArray& ExtensionHint) const {
    // The decoder is chosen from the bytes, as a read by name does: the format set for writing
    // ("JPG" in a batch run) would otherwise make the engine decode everything as that format.
    const TImageInfoRecord info(ImageInfo);
    info.get()->magick[0] = '\0';
    SetDecoderExtensionHint(info.get(), ExtensionHint);
    const TExceptionRecord exception;
    return StreamToImage(Stream, info.get(), Count, exception.get());
}

bool TMagickImage::EncodeCurrentFrame(QIODevice& Stream, const QByteArray& FormatFromName) {
    Image* frame = CurrentFrame();
    if (ImageInfo == nullptr || frame == nullptr)
        return false;
    const TExceptionRecord exception;
    const TImageInfoRecord info(ImageInfo);
    info.get()->filename[0] = '\0';
    info.get()->adjoin = MagickFalse;
    if (info.get()->magick[0] == '\0' && !FormatFromName.isEmpty())
        CopyEngineText(info.get()->magick, AsciiUpper(FormatFromName));
    // The encoders take the quality from the frame, not from the options.
    if (ImageInfo->quality != 0)
        frame->quality = ImageInfo->quality;
    // The encoder renames the frame's format to what it wrote; the object keeps its own.
    const QByteArray ownFormat(frame->magick);
    std::uint32_t written = 0;
    {
        const TDetachedFrame alone(frame);
        written = ImageToStream(Stream, info.get(), frame, exception.get());
    }
    CopyEngineText(frame->magick, ownFormat);
    if (written == 0) {
        // A failed encode stays recorded in the frame and would taint later writes.
        Magick::ClearMagickException(&frame->exception);
        return false;
    }
    return true;
}

void TMagickImage::SaveToFile(const QString& FileName) {
    const QByteArray name = EncodeFileName(FileName);
    if (name.size() > kMaxEngineText)
        return;
    QByteArray bytes;
    QBuffer encoded(&bytes);
    encoded.open(QIODevice::WriteOnly);
    if (!EncodeCurrentFrame(encoded, FileExtension(FileName).toLatin1()))
        return;
    // A new file renamed into place: a crash or a full disk never leaves half a picture, and a
    // link at the name is replaced, never written through.
    SafeWrite::WriteFileAt(name, bytes);
}

void TMagickImage::SaveToStream(QIODevice& Stream) {
    EncodeCurrentFrame(Stream, {});
}

int TMagickImage::GetWidth() const {
    const Image* frame = CurrentFrame();
    return frame != nullptr ? ClampToInt(frame->columns) : 0;
}

int TMagickImage::GetHeight() const {
    const Image* frame = CurrentFrame();
    return frame != nullptr ? ClampToInt(frame->rows) : 0;
}

bool TMagickImage::GetEmpty() const {
    const Image* frame = CurrentFrame();
    return frame == nullptr || frame->columns == 0 || frame->rows == 0;
}

void TMagickImage::Draw(QPainter& Canvas, const QRect& Rect) {
    QImage bitmap;
    AssignTo(bitmap);
    if (!bitmap.isNull())
        Canvas.drawImage(Rect, bitmap);
}

void TMagickImage::Assign(const QImage& Source) {
    Clear();
    QByteArray bytes;
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadWrite);
    Source.save(&stream, "BMP");
    stream.seek(0);
    LoadFromStream(stream);
}

void TMagickImage::Assign(const QClipboard& Source) {
    Assign(Source.image());
}

void TMagickImage::AssignTo(TGraphic& Dest) const {
    auto* target = dynamic_cast<TMagickImage*>(&Dest);
    if (target == nullptr) {
        TGraphic::AssignTo(Dest);
        return;
    }
    QByteArray bytes;
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadWrite);
    target->Clear();
    // Encoding sets the frame's quality; the copy's source is logically unchanged.
    const_cast<TMagickImage*>(this)->SaveToStream(stream);
    stream.seek(0);
    target->LoadFromStream(stream);
}

void TMagickImage::AssignTo(QImage& Dest) const {
    Image* frame = CurrentFrame();
    if (frame == nullptr) {
        Dest = QImage();
        return;
    }
    const int width = GetWidth();
    QImage bitmap(width, GetHeight(), QImage::Format_BGR888);
    if (bitmap.isNull()) {
        Dest = QImage();
        return;
    }
    bitmap.fill(Qt::black);
    const TExceptionRecord exception;
    for (int row = 0; row < bitmap.height(); ++row)
        Magick::DispatchImage(frame, 0, row, static_cast<size_t>(width), 1, "BGR", CharPixel,
                              bitmap.scanLine(row), exception.get());
    Dest = std::move(bitmap);
}

void TMagickImage::LoadFromClipboardFormat(const QClipboard& Clipboard) {
    Assign(Clipboard);
}

void TMagickImage::SaveToClipboardFormat(QClipboard& Clipboard) const {
    QImage bitmap;
    AssignTo(bitmap);
    Clipboard.setImage(bitmap);
}

int TMagickImage::GetFrameCount() const {
    return Images != nullptr ? ClampToInt(Magick::GetImageListLength(Images)) : 0;
}

_Image* TMagickImage::GetFrame(int Index) const {
    // The engine counts negative indexes from the end; here they name no frame.
    if (Index < 0 || Index >= GetFrameCount())
        return nullptr;
    return Magick::GetImageFromList(Images, Index);
}

void TMagickImage::Resize(std::uint32_t Columns, std::uint32_t Rows, TResizeMethod Method,
                          std::uint32_t Filter, double Blur) {
    const TExceptionRecord exception;
    Image* first = Magick::RemoveFirstImageFromList(&Images);
    Image* newList = Magick::NewImageList();
    Image* result = nullptr;
    if (first != nullptr) {
        ExceptionInfo* record = exception.get();
        switch (Method) {
        case rmMagnify:
            result = Magick::MagnifyImage(first, record);
            break;
        case rmMinify:
            result = Magick::MinifyImage(first, record);
            break;
        case rmResize:
            result = Magick::ResizeImage(first, Columns, Rows, EngineFilter(Filter), Blur, record);
            break;
        case rmSample:
            result = Magick::SampleImage(first, Columns, Rows, record);
            break;
        case rmScale:
            result = Magick::ScaleImage(first, Columns, Rows, record);
            break;
        case rmThumbnail:
            result = Magick::ThumbnailImage(first, Columns, Rows, record);
            break;
        }
    }
    if (result != nullptr)
        Magick::AppendImageToList(&newList, result);
    if (first != nullptr)
        Magick::DestroyImage(first);
    if (Images != nullptr)
        Magick::DestroyImageList(Images);
    Images = newList;
}

void TMagickImage::Blur(double Radius, double Sigma) {
    const TExceptionRecord exception;
    Image* frame = CurrentFrame();
    ReplaceCurrentFrame(frame != nullptr ? Magick::BlurImage(frame, Radius, Sigma, exception.get())
                                         : nullptr);
}

void TMagickImage::Despeckle() {
    const TExceptionRecord exception;
    Image* frame = CurrentFrame();
    ReplaceCurrentFrame(frame != nullptr ? Magick::DespeckleImage(frame, exception.get())
                                         : nullptr);
}

void TMagickImage::Edge(double Radius) {
    const TExceptionRecord exception;
    Image* frame = CurrentFrame();
    ReplaceCurrentFrame(frame != nullptr ? Magick::EdgeImage(frame, Radius, exception.get())
                                         : nullptr);
}

void TMagickImage::ReplaceCurrentFrame(_Image* New) {
    Image* old = CurrentFrame();
    if (old == nullptr)
        return;
    Image* previous = old->previous;
    Image* next = old->next;
    // Without a result the released frame leaves the list: it must not stay linked.
    Image* replacement = New != nullptr ? New : next;
    if (New != nullptr) {
        New->previous = previous;
        New->next = next;
        New->list = nullptr;
        if (next != nullptr)
            next->previous = New;
    } else if (next != nullptr) {
        next->previous = previous;
    }
    if (previous != nullptr)
        previous->next = New != nullptr ? New : next;
    if (old == Images)
        Images = replacement;
    old->previous = nullptr;
    old->next = nullptr;
    old->list = nullptr;
    Magick::DestroyImage(old);
}
