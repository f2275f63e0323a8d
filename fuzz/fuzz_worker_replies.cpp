// libFuzzer target: what a worker sends the run, read as the run reads it (the layout of an
// input is in FuzzInputs.h). A message taken answers what was asked, and reads back the same
// once written again.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "FuzzInputs.h"
#include "batch/WorkerProtocol.h"

using namespace vk_fuzz;

namespace {

bool Same(const TEncodedOutput& A, const TEncodedOutput& B) {
    return A.Size == B.Size && A.Dimensions == B.Dimensions && A.Bytes == B.Bytes &&
           A.Error == B.Error;
}

bool Same(const TPhotoOutputs& A, const TPhotoOutputs& B) {
    return A.Decoded == B.Decoded && A.Failure == B.Failure &&
           A.PartialReadReason == B.PartialReadReason &&
           std::equal(A.Outputs.begin(), A.Outputs.end(), B.Outputs.begin(), B.Outputs.end(),
                      [](const auto& X, const auto& Y) { return Same(X, Y); });
}

bool Same(const TPreviewPicture& A, const TPreviewPicture& B) {
    return A.Decoded == B.Decoded && A.Size == B.Size && A.Shown == B.Shown && A.Rgb == B.Rgb;
}

void Header(const QByteArray& Bytes, std::uint8_t Limit) {
    const std::uint64_t limits[] = {kMaxWorkPayload, MaxOutputsPayload(PlanFrom(7)),
                                    MaxPreviewPayload(300), 1 << 20};
    const std::uint64_t limit = limits[Limit % 4];
    const std::optional<TWorkerHeader> header = ParseHeader(Bytes, limit);
    if (!header)
        return;
    Expect(header->Length <= limit, "a header taken promises no more than the limit");
    Expect(MessageHeader(header->Kind, header->Length) == Bytes,
           "a header taken is the one written for its kind and length");
}

void Outputs(const QByteArray& Payload, const TOutputPlan& Plan) {
    const std::optional<TPhotoOutputs> outputs = DecodePhotoOutputs(Payload, Plan);
    if (!outputs)
        return;
    Expect(outputs->Outputs.size() == (outputs->Decoded ? Plan.Sizes.size() : 0),
           "one output per size of the plan, none when nothing decoded");
    for (std::size_t i = 0; i < outputs->Outputs.size(); ++i) {
        const TEncodedOutput& output = outputs->Outputs[i];
        const TOutputRequest& request = Plan.Sizes[i];
        Expect(output.Size == request.Size, "the outputs come in the plan's order");
        if (output.Bytes.isEmpty()) {
            Expect(!output.Error.isEmpty(), "an output not made says why");
            continue;
        }
        Expect(output.Dimensions.Width >= 1 && output.Dimensions.Height >= 1 &&
                   output.Dimensions.Width <= request.Box.Width &&
                   output.Dimensions.Height <= request.Box.Height,
               "an output made fits inside its box");
    }
    const std::optional<TPhotoOutputs> again =
        DecodePhotoOutputs(EncodePhotoOutputs(*outputs), Plan);
    Expect(again && Same(*again, *outputs), "outputs taken read back the same");
}

void Picture(const QByteArray& Payload, const TPreviewRequest& Request) {
    const std::optional<TPreviewPicture> picture = DecodePreviewPicture(Payload, Request);
    if (!picture)
        return;
    if (!picture->Decoded) {
        Expect(Same(*picture, TPreviewPicture{}), "a picture not decoded holds nothing");
    } else {
        const TDimensions shown = picture->Shown;
        Expect(shown.Width >= 1 && shown.Height >= 1 &&
                   std::max(shown.Width, shown.Height) <= Request.LongSide,
               "a picture shown fits the preview's side");
        Expect(picture->Rgb.size() == qsizetype{3} * shown.Width * shown.Height,
               "the pixels fill the size shown");
    }
    const std::optional<TPreviewPicture> again =
        DecodePreviewPicture(EncodePreviewPicture(*picture), Request);
    Expect(again && Same(*again, *picture), "a picture taken reads back the same");
}

void Ready(const QByteArray& Payload) {
    const std::optional<TWorkerReady> ready = DecodeReady(Payload);
    if (!ready)
        return;
    const std::optional<TWorkerReady> again = DecodeReady(EncodeReady(*ready));
    Expect(again && again->FileSystemLocked == ready->FileSystemLocked &&
               again->FileSystemNote == ready->FileSystemNote,
           "a ready message taken reads back the same");
}

void ProbeResult(const QByteArray& Payload) {
    const std::optional<QStringList> lines = DecodeProbeResult(Payload);
    if (!lines)
        return;
    Expect(DecodeProbeResult(EncodeProbeResult(*lines)) == lines,
           "a probe's result taken reads back the same");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size < 4)
        return 0;
    switch (Data[0] % rrCount) {
    case rrHeader:
        Header(InputFrom(Data, Size, 2), Data[1]);
        break;
    case rrOutputs:
        Outputs(InputFrom(Data, Size, 2), PlanFrom(Data[1]));
        break;
    case rrReady:
        Ready(InputFrom(Data, Size, 1));
        break;
    case rrPreviewPicture: {
        TPreviewRequest request;
        request.LongSide = LongSideFrom(Data[1], Data[2]);
        request.Enlarge = Data[3] & 1;
        Picture(InputFrom(Data, Size, 4), request);
        break;
    }
    default:
        ProbeResult(InputFrom(Data, Size, 1));
        break;
    }
    return 0;
}
