#include "QtGraphic.h"

#include <cstring>

#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

#include "platform/Errors.h"
#include "platform/RegularFile.h"

namespace {

// More than any picture Qt would decode: its allocation limit refuses far smaller images, so a
// larger input is refused before it is read into memory.
constexpr qint64 kMaxPictureBytes = qint64(256) * 1024 * 1024;

// The bytes of one picture, handed to a plugin through reads that show whether the data ran out.
// Deliberately not a QBuffer: Qt's JPEG plugin decodes a QBuffer's memory directly, and its reads
// could then not be watched.
class TPictureBytes final : public QIODevice {
public:
    explicit TPictureBytes(const QByteArray& Data) : FBytes(Data) {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    qint64 size() const override { return FBytes.size(); }

    bool ShortRead = false; // a read got fewer bytes than it asked for
    bool ReadAtEnd = false; // a read asked for bytes when none were left

protected:
    qint64 readData(char* Data, qint64 MaxSize) override {
        const qint64 left = qMax<qint64>(0, FBytes.size() - pos());
        const qint64 count = qMin(MaxSize, left);
        if (count > 0)
            std::memcpy(Data, FBytes.constData() + pos(), size_t(count));
        ShortRead = ShortRead || count < MaxSize;
        ReadAtEnd = ReadAtEnd || (MaxSize > 0 && count == 0);
        return count;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray FBytes;
};

// The rest of the stream, or nothing when it holds more than any picture we decode.
QByteArray ReadPictureBytes(QIODevice& Stream) {
    QByteArray bytes;
    for (;;) {
        const QByteArray chunk = Stream.read(64 * 1024);
        if (chunk.isEmpty())
            return bytes;
        if (bytes.size() + chunk.size() > kMaxPictureBytes)
            return QByteArray();
        bytes += chunk;
    }
}

QImage FlattenOntoWhite(const QImage& Source) {
    QImage flat(Source.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, Source);
    return flat;
}

[[noreturn]] void WriteError(const QString& What, const QString& Reason) {
    throw Exception(QStringLiteral("Cannot write %1: %2").arg(What, Reason).toStdString());
}

} // namespace

TQtGraphic::TQtGraphic(QByteArray Plugin, QString Class, TReadStyle Style, bool Alpha)
    : FFormat(std::move(Plugin)), FName(std::move(Class)), FReadStyle(Style), FKeepsAlpha(Alpha) {}

void TQtGraphic::LoadFromFile(const QString& FileName) {
    FImage = QImage();
    if (const std::optional<QByteArray> bytes = ReadRegularFile(FileName, kMaxPictureBytes))
        Decode(*bytes);
}

void TQtGraphic::SaveToFile(const QString& FileName) {
    const QByteArray bytes = Encode(FileName);
    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        WriteError(FileName, file.errorString());
}

void TQtGraphic::LoadFromStream(QIODevice& Stream) {
    FImage = QImage();
    Decode(ReadPictureBytes(Stream));
}

void TQtGraphic::SaveToStream(QIODevice& Stream) {
    const QString what = QStringLiteral("the picture");
    const QByteArray bytes = Encode(what);
    if (Stream.write(bytes) != bytes.size())
        WriteError(what, Stream.errorString());
}

void TQtGraphic::Draw(QPainter& Canvas, const QRect& Rect) {
    if (!GetEmpty())
        Canvas.drawImage(Rect, FImage);
}

void TQtGraphic::Assign(const QImage& Source) {
    FImage = Source;
}

void TQtGraphic::Assign(const QClipboard& Source) {
    FImage = Source.image();
}

void TQtGraphic::Assign(const TGraphic& Source) {
    if (&Source == this)
        return;
    if (const auto* qtSource = dynamic_cast<const TQtGraphic*>(&Source)) {
        FImage = qtSource->FImage;
        return;
    }
    QImage copy;
    Source.AssignTo(copy);
    FImage = copy;
}

void TQtGraphic::AssignTo(QImage& Dest) const {
    if (GetEmpty()) {
        Dest = QImage();
        return;
    }
    const QImage& opaque = FImage.hasAlphaChannel() ? FlattenOntoWhite(FImage) : FImage;
    Dest = opaque.convertToFormat(QImage::Format_BGR888);
}

void TQtGraphic::AssignTo(TGraphic& Dest) const {
    if (&Dest != this)
        Dest.Assign(FImage);
}

void TQtGraphic::LoadFromClipboardFormat(const QClipboard& Clipboard) {
    Assign(Clipboard);
}

void TQtGraphic::SaveToClipboardFormat(QClipboard& Clipboard) const {
    Clipboard.setImage(FImage);
}

void TQtGraphic::Decode(const QByteArray& Bytes) {
    if (Bytes.isEmpty())
        return;
    TPictureBytes source(Bytes);
    QImageReader reader(&source, FFormat);
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    QImage decoded = reader.read();
    // Qt fills the missing part of a cut-off picture with grey or with whatever memory held, so
    // such a picture counts as unreadable.
    const bool endedEarly = FReadStyle == TReadStyle::Exact ? source.ShortRead : source.ReadAtEnd;
    if (!endedEarly)
        FImage = std::move(decoded);
}

// Encoded in memory first: Qt's icon writer records offsets from the start of its device, so it
// must start one of its own, and a failed encode then touches no file.
QByteArray TQtGraphic::Encode(const QString& What) const {
    if (GetEmpty())
        WriteError(What, QStringLiteral("the picture is empty"));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, FFormat);
    if (!writer.write(!FKeepsAlpha && FImage.hasAlphaChannel() ? FlattenOntoWhite(FImage) : FImage))
        WriteError(What, writer.errorString());
    return bytes;
}

TBitmap::TBitmap()
    : TQtGraphic("bmp", QStringLiteral("TBitmap"), TReadStyle::Exact, /*KeepsAlpha=*/false) {}

TIcon::TIcon()
    : TQtGraphic("ico", QStringLiteral("TIcon"), TReadStyle::Exact, /*KeepsAlpha=*/true) {}

TJPEGImage::TJPEGImage()
    : TQtGraphic("jpeg", QStringLiteral("TJPEGImage"), TReadStyle::Chunked, /*KeepsAlpha=*/false) {}
