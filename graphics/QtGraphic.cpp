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
constexpr qint64 MaxPictureBytes = qint64(256) * 1024 * 1024;

// The bytes of one picture, handed to a plugin through reads that show whether the data ran out.
// Deliberately not a QBuffer: Qt's JPEG plugin decodes a QBuffer's memory directly, and its reads
// could then not be watched.
class TPictureBytes final : public QIODevice {
public:
    explicit TPictureBytes(const QByteArray& Data) : Bytes(Data) {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    qint64 size() const override { return Bytes.size(); }

    bool ShortRead = false; // a read got fewer bytes than it asked for
    bool ReadAtEnd = false; // a read asked for bytes when none were left

protected:
    qint64 readData(char* Data, qint64 MaxSize) override {
        const qint64 Left = qMax<qint64>(0, Bytes.size() - pos());
        const qint64 Count = qMin(MaxSize, Left);
        if (Count > 0)
            std::memcpy(Data, Bytes.constData() + pos(), size_t(Count));
        ShortRead = ShortRead || Count < MaxSize;
        ReadAtEnd = ReadAtEnd || (MaxSize > 0 && Count == 0);
        return Count;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray Bytes;
};

// The rest of the stream, or nothing when it holds more than any picture we decode.
QByteArray ReadPictureBytes(QIODevice& Stream) {
    QByteArray Bytes;
    for (;;) {
        const QByteArray Chunk = Stream.read(64 * 1024);
        if (Chunk.isEmpty())
            return Bytes;
        if (Bytes.size() + Chunk.size() > MaxPictureBytes)
            return QByteArray();
        Bytes += Chunk;
    }
}

QImage FlattenOntoWhite(const QImage& Source) {
    QImage Flat(Source.size(), QImage::Format_RGB32);
    Flat.fill(Qt::white);
    QPainter Painter(&Flat);
    Painter.drawImage(0, 0, Source);
    return Flat;
}

[[noreturn]] void WriteError(const QString& What, const QString& Reason) {
    throw Exception(QStringLiteral("Cannot write %1: %2").arg(What, Reason).toStdString());
}

} // namespace

TQtGraphic::TQtGraphic(QByteArray Plugin, QString Class, TReadStyle Style, bool Alpha)
    : Format(std::move(Plugin)), Name(std::move(Class)), ReadStyle(Style), KeepsAlpha(Alpha) {}

void TQtGraphic::LoadFromFile(const QString& FileName) {
    Image = QImage();
    if (const std::optional<QByteArray> Bytes = ReadRegularFile(FileName, MaxPictureBytes))
        Decode(*Bytes);
}

void TQtGraphic::SaveToFile(const QString& FileName) {
    const QByteArray Bytes = Encode(FileName);
    QSaveFile File(FileName);
    if (!File.open(QIODevice::WriteOnly) || File.write(Bytes) != Bytes.size() || !File.commit())
        WriteError(FileName, File.errorString());
}

void TQtGraphic::LoadFromStream(QIODevice& Stream) {
    Image = QImage();
    Decode(ReadPictureBytes(Stream));
}

void TQtGraphic::SaveToStream(QIODevice& Stream) {
    const QString What = QStringLiteral("the picture");
    const QByteArray Bytes = Encode(What);
    if (Stream.write(Bytes) != Bytes.size())
        WriteError(What, Stream.errorString());
}

void TQtGraphic::Draw(QPainter& Canvas, const QRect& Rect) {
    if (!GetEmpty())
        Canvas.drawImage(Rect, Image);
}

void TQtGraphic::Assign(const QImage& Source) {
    Image = Source;
}

void TQtGraphic::Assign(const QClipboard& Source) {
    Image = Source.image();
}

void TQtGraphic::Assign(const TGraphic& Source) {
    if (&Source == this)
        return;
    if (const auto* QtSource = dynamic_cast<const TQtGraphic*>(&Source)) {
        Image = QtSource->Image;
        return;
    }
    QImage Copy;
    Source.AssignTo(Copy);
    Image = Copy;
}

void TQtGraphic::AssignTo(QImage& Dest) const {
    if (GetEmpty()) {
        Dest = QImage();
        return;
    }
    const QImage& Opaque = Image.hasAlphaChannel() ? FlattenOntoWhite(Image) : Image;
    Dest = Opaque.convertToFormat(QImage::Format_BGR888);
}

void TQtGraphic::AssignTo(TGraphic& Dest) const {
    if (&Dest != this)
        Dest.Assign(Image);
}

void TQtGraphic::LoadFromClipboardFormat(const QClipboard& Clipboard) {
    Assign(Clipboard);
}

void TQtGraphic::SaveToClipboardFormat(QClipboard& Clipboard) const {
    Clipboard.setImage(Image);
}

void TQtGraphic::Decode(const QByteArray& Bytes) {
    if (Bytes.isEmpty())
        return;
    TPictureBytes Source(Bytes);
    QImageReader Reader(&Source, Format);
    Reader.setAutoDetectImageFormat(false);
    Reader.setDecideFormatFromContent(false);
    QImage Decoded = Reader.read();
    // Qt fills the missing part of a cut-off picture with grey or with whatever memory held, so
    // such a picture counts as unreadable.
    const bool EndedEarly = ReadStyle == TReadStyle::Exact ? Source.ShortRead : Source.ReadAtEnd;
    if (!EndedEarly)
        Image = std::move(Decoded);
}

// Encoded in memory first: Qt's icon writer records offsets from the start of its device, so it
// must start one of its own, and a failed encode then touches no file.
QByteArray TQtGraphic::Encode(const QString& What) const {
    if (GetEmpty())
        WriteError(What, QStringLiteral("the picture is empty"));
    QByteArray Bytes;
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::WriteOnly);
    QImageWriter Writer(&Buffer, Format);
    if (!Writer.write(!KeepsAlpha && Image.hasAlphaChannel() ? FlattenOntoWhite(Image) : Image))
        WriteError(What, Writer.errorString());
    return Bytes;
}

TBitmap::TBitmap()
    : TQtGraphic("bmp", QStringLiteral("TBitmap"), TReadStyle::Exact, /*KeepsAlpha=*/false) {}

TIcon::TIcon()
    : TQtGraphic("ico", QStringLiteral("TIcon"), TReadStyle::Exact, /*KeepsAlpha=*/true) {}

TJPEGImage::TJPEGImage()
    : TQtGraphic("jpeg", QStringLiteral("TJPEGImage"), TReadStyle::Chunked, /*KeepsAlpha=*/false) {}
