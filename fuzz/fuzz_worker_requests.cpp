// libFuzzer target: what the run sends a worker, read as the worker reads it (the layout of an
// input is in FuzzInputs.h). A request taken is one the run could have sent, its source is the
// bytes before its trailer, and it reads back the same once written again; the arguments the run
// gives a worker are read back as they were meant.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "FuzzInputs.h"
#include "batch/WorkerProtocol.h"

using namespace vk_fuzz;

namespace {

bool Same(const TOutputPlan& A, const TOutputPlan& B) {
    return A.Sizes.size() == B.Sizes.size() &&
           std::equal(A.Sizes.begin(), A.Sizes.end(), B.Sizes.begin(),
                      [](const TOutputRequest& X, const TOutputRequest& Y) {
                          return X.Size == Y.Size && X.Box == Y.Box;
                      }) &&
           A.HighQuality == B.HighQuality && A.Quality == B.Quality &&
           A.StripMetadata == B.StripMetadata && A.Format == B.Format &&
           A.NeverEnlarge == B.NeverEnlarge;
}

bool Same(const TWorkerStart& A, const TWorkerStart& B) {
    return A.AddressSpaceBytes == B.AddressSpaceBytes &&
           A.CpuSecondsPerFile == B.CpuSecondsPerFile && A.TestTriggers == B.TestTriggers &&
           A.ParentPid == B.ParentPid;
}

void Work(const QByteArray& Payload) {
    const std::optional<TWorkRequest> request = DecodeWorkRequest(Payload);
    if (!request)
        return;
    Expect(Payload.startsWith(request->Source), "the source is the payload's first bytes");
    Expect(request->Plan.Sizes.size() <= 3, "a plan has three sizes at most");
    for (const TOutputRequest& size : request->Plan.Sizes)
        Expect(size.Size <= osLarge && size.Box.Width >= 1 && size.Box.Height >= 1,
               "a plan's sizes are sizes, each with a box");
    Expect(request->Plan.Format <= TOutputFormat::Bmp, "a plan's format is a format");
    const std::optional<TWorkRequest> again =
        DecodeWorkRequest(request->Source + WorkRequestTrailer(*request));
    Expect(again && again->Source == request->Source &&
               again->ExtensionHint == request->ExtensionHint && Same(again->Plan, request->Plan),
           "a work request taken reads back the same");
}

void Preview(const QByteArray& Payload) {
    const std::optional<TPreviewRequest> request = DecodePreviewRequest(Payload);
    if (!request)
        return;
    Expect(Payload.startsWith(request->Source), "the source is the payload's first bytes");
    Expect(request->LongSide >= 1 && request->LongSide <= kMaxPreviewSide,
           "a preview's side is one the window may ask for");
    const std::optional<TPreviewRequest> again =
        DecodePreviewRequest(request->Source + PreviewRequestTrailer(*request));
    Expect(again && again->Source == request->Source &&
               again->ExtensionHint == request->ExtensionHint &&
               again->LongSide == request->LongSide && again->Enlarge == request->Enlarge,
           "a preview request taken reads back the same");
}

void Probe(const QByteArray& Payload) {
    const std::optional<TProbeRequest> request = DecodeProbeRequest(Payload);
    if (!request)
        return;
    const std::optional<TProbeRequest> again = DecodeProbeRequest(EncodeProbeRequest(*request));
    Expect(again && again->File == request->File && again->SocketPath == request->SocketPath &&
               again->Program == request->Program,
           "a probe request taken reads back the same");
}

void Arguments(const QByteArray& Bytes) {
    QStringList arguments;
    for (const QByteArray& argument : Bytes.split('\0'))
        arguments << QString::fromUtf8(argument);
    const std::optional<TWorkerStart> start = ParseWorkerArguments(arguments);
    if (!start)
        return;
    Expect(start->CpuSecondsPerFile >= 1 && start->ParentPid >= 1,
           "a worker taking its arguments has a time per file and a parent");
    const std::optional<TWorkerStart> again = ParseWorkerArguments(WorkerArguments(*start));
    Expect(again && Same(*again, *start), "arguments taken read back the same");
}

// The arguments the run makes of any start it may make are read back as they were.
void Start(const QByteArray& Bytes) {
    TWorkerStart start;
    if (Bytes.size() < 21)
        return;
    std::memcpy(&start.AddressSpaceBytes, Bytes.constData(), 8);
    std::memcpy(&start.CpuSecondsPerFile, Bytes.constData() + 8, 4);
    std::memcpy(&start.ParentPid, Bytes.constData() + 12, 8);
    start.TestTriggers = Bytes[20] & 1;
    const std::optional<TWorkerStart> read = ParseWorkerArguments(WorkerArguments(start));
    if (start.CpuSecondsPerFile >= 1 && start.ParentPid >= 1)
        Expect(read && Same(*read, start), "the arguments of a start read back as it was");
    else
        Expect(!read, "a start without a time per file or a parent is refused");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size == 0)
        return 0;
    const QByteArray rest = InputFrom(Data, Size, 1);
    switch (Data[0] % qrCount) {
    case qrWork:
        Work(rest);
        break;
    case qrPreview:
        Preview(rest);
        break;
    case qrProbe:
        Probe(rest);
        break;
    case qrArguments:
        Arguments(rest);
        break;
    default:
        Start(rest);
        break;
    }
    return 0;
}
