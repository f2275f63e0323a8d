#include "WorkerProtocol.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

constexpr char kMark[4] = {'V', 'K', 'W', 'P'};
constexpr auto kStreamVersion = QDataStream::Qt_6_4;
constexpr std::uint32_t kLastKind = static_cast<std::uint32_t>(TWorkerMessage::PreviewPicture);
constexpr qsizetype kTrailerLengthBytes = 4;

// A reader that reports anything short, long or out of range as malformed.
class TPayloadReader {
public:
    explicit TPayloadReader(const QByteArray& Payload) : FStream(Payload) {
        FStream.setVersion(kStreamVersion);
    }
    template <typename T> TPayloadReader& operator>>(T& Value) {
        FStream >> Value;
        return *this;
    }
    bool Fine() const { return FStream.status() == QDataStream::Ok; }
    qint64 BytesLeft() const { return FStream.device()->bytesAvailable(); }
    bool FineAndDone() const { return Fine() && FStream.atEnd(); }

private:
    QDataStream FStream;
};

class TPayloadWriter {
public:
    TPayloadWriter() : FStream(&FBytes, QIODevice::WriteOnly) {
        FStream.setVersion(kStreamVersion);
    }
    template <typename T> TPayloadWriter& operator<<(const T& Value) {
        FStream << Value;
        return *this;
    }
    const QByteArray& Bytes() const { return FBytes; }

private:
    QByteArray FBytes;
    QDataStream FStream;
};

bool IsOutputSize(qint32 Value) {
    return Value >= osThumb && Value <= osLarge;
}

bool ReadPlan(TPayloadReader& Reader, TOutputPlan& Plan) {
    quint32 count = 0;
    Reader >> count;
    if (!Reader.Fine() || count > 3) {
        return false;
    }
    for (quint32 i = 0; i < count; ++i) {
        qint32 size = 0;
        TDimensions box;
        Reader >> size >> box.Width >> box.Height;
        if (!IsOutputSize(size) || box.Width < 1 || box.Height < 1) {
            return false;
        }
        Plan.Sizes.push_back({static_cast<TOutputSize>(size), box});
    }
    qint32 quality = 0;
    quint8 format = 0;
    Reader >> Plan.HighQuality >> quality >> Plan.StripMetadata >> format >> Plan.NeverEnlarge;
    if (format > static_cast<quint8>(TOutputFormat::Bmp)) {
        return false;
    }
    Plan.Quality = quality;
    Plan.Format = static_cast<TOutputFormat>(format);
    return Reader.Fine();
}

void WritePlan(TPayloadWriter& Writer, const TOutputPlan& Plan) {
    Writer << static_cast<quint32>(Plan.Sizes.size());
    for (const TOutputRequest& request : Plan.Sizes) {
        Writer << static_cast<qint32>(request.Size) << request.Box.Width << request.Box.Height;
    }
    Writer << Plan.HighQuality << static_cast<qint32>(Plan.Quality) << Plan.StripMetadata
           << static_cast<quint8>(Plan.Format) << Plan.NeverEnlarge;
}

// An output a worker could honestly have made for Request.
bool Answers(const TEncodedOutput& Output, const TOutputRequest& Request) {
    if (Output.Size != Request.Size) {
        return false;
    }
    const TDimensions made = Output.Dimensions;
    const bool fits = made.Width >= 1 && made.Height >= 1 && made.Width <= Request.Box.Width &&
                      made.Height <= Request.Box.Height;
    return Output.Bytes.isEmpty() ? !Output.Error.isEmpty() : fits;
}

// Fields with their length in the last four bytes, to follow a source's bytes.
QByteArray WithLength(QByteArray Fields) {
    char length[kTrailerLengthBytes];
    qToLittleEndian<std::uint32_t>(static_cast<std::uint32_t>(Fields.size()), length);
    return Fields.append(length, kTrailerLengthBytes);
}

// The trailer's fields, Payload cut to the source before them; nothing when the lengths do not
// add up.
std::optional<QByteArray> CutTrailer(QByteArray& Payload) {
    if (Payload.size() < kTrailerLengthBytes) {
        return std::nullopt;
    }
    const qsizetype fieldsEnd = Payload.size() - kTrailerLengthBytes;
    const auto fieldsLength = qFromLittleEndian<std::uint32_t>(Payload.constData() + fieldsEnd);
    if (fieldsLength > static_cast<std::uint64_t>(fieldsEnd)) {
        return std::nullopt;
    }
    const qsizetype sourceLength = fieldsEnd - static_cast<qsizetype>(fieldsLength);
    QByteArray fields = Payload.sliced(sourceLength, fieldsLength);
    Payload.truncate(sourceLength);
    return fields;
}

// A list of texts. Its count is checked against the bytes left before a text is read: the
// stream's own reader sets room aside for the count it reads, however large.
bool ReadLines(TPayloadReader& Reader, QStringList& Lines) {
    quint32 count = 0;
    Reader >> count;
    // Each text takes at least its four bytes of length.
    if (!Reader.Fine() || count > Reader.BytesLeft() / 4) {
        return false;
    }
    for (quint32 i = 0; i < count; ++i) {
        QString line;
        Reader >> line;
        if (!Reader.Fine()) {
            return false;
        }
        Lines.append(line);
    }
    return true;
}

} // namespace

QByteArray MessageHeader(TWorkerMessage Kind, std::uint64_t Length) {
    QByteArray bytes(kWorkerHeaderBytes, '\0');
    char* header = bytes.data();
    std::memcpy(header, kMark, sizeof kMark);
    qToLittleEndian<std::uint32_t>(kWorkerProtocolVersion, header + 4);
    qToLittleEndian<std::uint32_t>(static_cast<std::uint32_t>(Kind), header + 8);
    qToLittleEndian<std::uint64_t>(Length, header + 12);
    return bytes;
}

std::optional<TWorkerHeader> ParseHeader(const QByteArray& Bytes, std::uint64_t MaxPayload) {
    if (Bytes.size() != static_cast<qsizetype>(kWorkerHeaderBytes) ||
        std::memcmp(Bytes.constData(), kMark, sizeof kMark) != 0) {
        return std::nullopt;
    }
    const char* header = Bytes.constData();
    const auto version = qFromLittleEndian<std::uint32_t>(header + 4);
    const auto kind = qFromLittleEndian<std::uint32_t>(header + 8);
    const auto length = qFromLittleEndian<std::uint64_t>(header + 12);
    if (version != kWorkerProtocolVersion || kind < 1 || kind > kLastKind || length > MaxPayload) {
        return std::nullopt;
    }
    return TWorkerHeader{static_cast<TWorkerMessage>(kind), length};
}

QByteArray WorkRequestTrailer(const TWorkRequest& Request) {
    TPayloadWriter writer;
    writer << Request.ExtensionHint;
    WritePlan(writer, Request.Plan);
    return WithLength(writer.Bytes());
}

std::optional<TWorkRequest> DecodeWorkRequest(QByteArray Payload) {
    const std::optional<QByteArray> fields = CutTrailer(Payload);
    if (!fields) {
        return std::nullopt;
    }
    TWorkRequest request;
    TPayloadReader reader(*fields);
    reader >> request.ExtensionHint;
    if (!ReadPlan(reader, request.Plan) || !reader.FineAndDone()) {
        return std::nullopt;
    }
    request.Source = std::move(Payload);
    return request;
}

QByteArray PreviewRequestTrailer(const TPreviewRequest& Request) {
    TPayloadWriter writer;
    writer << Request.ExtensionHint << static_cast<qint32>(Request.LongSide) << Request.Enlarge;
    return WithLength(writer.Bytes());
}

std::optional<TPreviewRequest> DecodePreviewRequest(QByteArray Payload) {
    const std::optional<QByteArray> fields = CutTrailer(Payload);
    if (!fields) {
        return std::nullopt;
    }
    TPreviewRequest request;
    qint32 longSide = 0;
    TPayloadReader reader(*fields);
    reader >> request.ExtensionHint >> longSide >> request.Enlarge;
    if (!reader.FineAndDone() || longSide < 1 || longSide > kMaxPreviewSide) {
        return std::nullopt;
    }
    request.LongSide = longSide;
    request.Source = std::move(Payload);
    return request;
}

QByteArray EncodePreviewPicture(const TPreviewPicture& Picture) {
    TPayloadWriter writer;
    writer << Picture.Decoded << Picture.Size.Width << Picture.Size.Height << Picture.Shown.Width
           << Picture.Shown.Height << Picture.Rgb;
    return writer.Bytes();
}

std::optional<TPreviewPicture> DecodePreviewPicture(const QByteArray& Payload,
                                                    const TPreviewRequest& Request) {
    TPayloadReader reader(Payload);
    TPreviewPicture picture;
    reader >> picture.Decoded >> picture.Size.Width >> picture.Size.Height >> picture.Shown.Width >>
        picture.Shown.Height >> picture.Rgb;
    if (!reader.FineAndDone()) {
        return std::nullopt;
    }
    if (!picture.Decoded) {
        return picture.Rgb.isEmpty() ? std::optional(TPreviewPicture{}) : std::nullopt;
    }
    const TDimensions shown = ShownSize(picture.Size, Request.LongSide, Request.Enlarge);
    const bool answers = !(shown == TDimensions{}) && picture.Shown == shown &&
                         picture.Rgb.size() == qsizetype{3} * shown.Width * shown.Height;
    if (!answers) {
        return std::nullopt;
    }
    return picture;
}

std::uint64_t MaxPreviewPayload(int LongSide) {
    const auto side = static_cast<std::uint64_t>(std::clamp(LongSide, 1, kMaxPreviewSide));
    return 3 * side * side + 1024;
}

QByteArray EncodePhotoOutputs(const TPhotoOutputs& Outputs) {
    TPayloadWriter writer;
    writer << Outputs.Decoded << Outputs.Failure << Outputs.PartialReadReason
           << static_cast<quint32>(Outputs.Outputs.size());
    for (const TEncodedOutput& output : Outputs.Outputs) {
        writer << static_cast<qint32>(output.Size) << output.Dimensions.Width
               << output.Dimensions.Height << output.Bytes << output.Error;
    }
    return writer.Bytes();
}

std::optional<TPhotoOutputs> DecodePhotoOutputs(const QByteArray& Payload,
                                                const TOutputPlan& Plan) {
    TPayloadReader reader(Payload);
    TPhotoOutputs outputs;
    quint32 count = 0;
    reader >> outputs.Decoded >> outputs.Failure >> outputs.PartialReadReason >> count;
    const std::size_t expected = outputs.Decoded ? Plan.Sizes.size() : 0;
    if (!reader.Fine() || count != expected) {
        return std::nullopt;
    }
    for (quint32 i = 0; i < count; ++i) {
        TEncodedOutput output;
        qint32 size = 0;
        reader >> size >> output.Dimensions.Width >> output.Dimensions.Height >> output.Bytes >>
            output.Error;
        if (!reader.Fine() || !IsOutputSize(size)) {
            return std::nullopt;
        }
        output.Size = static_cast<TOutputSize>(size);
        if (!Answers(output, Plan.Sizes[i])) {
            return std::nullopt;
        }
        outputs.Outputs.push_back(std::move(output));
    }
    if (!reader.FineAndDone()) {
        return std::nullopt;
    }
    return outputs;
}

QByteArray EncodeReady(const TWorkerReady& Ready) {
    TPayloadWriter writer;
    writer << Ready.FileSystemLocked << Ready.FileSystemNote;
    return writer.Bytes();
}

std::optional<TWorkerReady> DecodeReady(const QByteArray& Payload) {
    TPayloadReader reader(Payload);
    TWorkerReady ready;
    reader >> ready.FileSystemLocked >> ready.FileSystemNote;
    if (!reader.FineAndDone()) {
        return std::nullopt;
    }
    return ready;
}

QByteArray EncodeProbeRequest(const TProbeRequest& Request) {
    TPayloadWriter writer;
    writer << Request.File << Request.SocketPath << Request.Program;
    return writer.Bytes();
}

std::optional<TProbeRequest> DecodeProbeRequest(const QByteArray& Payload) {
    TPayloadReader reader(Payload);
    TProbeRequest request;
    reader >> request.File >> request.SocketPath >> request.Program;
    if (!reader.FineAndDone()) {
        return std::nullopt;
    }
    return request;
}

QByteArray EncodeProbeResult(const QStringList& Lines) {
    TPayloadWriter writer;
    writer << Lines;
    return writer.Bytes();
}

std::optional<QStringList> DecodeProbeResult(const QByteArray& Payload) {
    TPayloadReader reader(Payload);
    QStringList lines;
    if (!ReadLines(reader, lines) || !reader.FineAndDone()) {
        return std::nullopt;
    }
    return lines;
}

QStringList WorkerArguments(const TWorkerStart& Start) {
    QStringList arguments = {
        QStringLiteral("--address-space"), QString::number(Start.AddressSpaceBytes),
        QStringLiteral("--cpu-seconds"),   QString::number(Start.CpuSecondsPerFile),
        QStringLiteral("--parent"),        QString::number(Start.ParentPid)};
    if (Start.TestTriggers) {
        arguments << QStringLiteral("--test-triggers");
    }
    return arguments;
}

std::optional<TWorkerStart> ParseWorkerArguments(const QStringList& Arguments) {
    const qsizetype count = Arguments.size();
    if ((count != 6 && count != 7) || Arguments[0] != QStringLiteral("--address-space") ||
        Arguments[2] != QStringLiteral("--cpu-seconds") ||
        Arguments[4] != QStringLiteral("--parent")) {
        return std::nullopt;
    }
    TWorkerStart start;
    bool addressOk = false;
    bool cpuOk = false;
    bool parentOk = false;
    start.AddressSpaceBytes = Arguments[1].toULongLong(&addressOk);
    start.CpuSecondsPerFile = Arguments[3].toInt(&cpuOk);
    start.ParentPid = Arguments[5].toLongLong(&parentOk);
    if (!addressOk || !cpuOk || !parentOk || start.CpuSecondsPerFile < 1 || start.ParentPid < 1) {
        return std::nullopt;
    }
    if (count == 7) {
        if (Arguments[6] != QStringLiteral("--test-triggers")) {
            return std::nullopt;
        }
        start.TestTriggers = true;
    }
    return start;
}

std::uint64_t MaxOutputsPayload(const TOutputPlan& Plan) {
    constexpr std::uint64_t ceiling = std::uint64_t{1} << 30;
    // No side the engine makes is longer than this, so no product below can overflow.
    constexpr std::uint64_t longestSide = 1 << 16;
    std::uint64_t bytes = 1 << 20;
    for (const TOutputRequest& request : Plan.Sizes) {
        const std::uint64_t width =
            std::min(static_cast<std::uint64_t>(request.Box.Width), longestSide);
        const std::uint64_t height =
            std::min(static_cast<std::uint64_t>(request.Box.Height), longestSide);
        bytes += 4 * width * height + (1 << 20);
    }
    return std::min(bytes, ceiling);
}
