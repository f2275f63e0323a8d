#pragma once

// The messages between a run and its worker processes. Each message is a fixed header (a mark,
// the protocol's version, the kind, the payload's length) and a payload; a reader checks every
// field and every length before it believes any of it, and refuses a message longer than it
// expects of that side. A worker's message that fails a check is treated as the worker's crash.
// The header is the mark "VKWP", then, little-endian, the version and the kind in four bytes
// each and the length in eight. Payloads other than a source's bytes are written with QDataStream.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

#include "batch/PhotoOutputs.h"
#include "batch/PreviewPicture.h"

inline constexpr std::uint32_t kWorkerProtocolVersion = 3;
inline constexpr std::size_t kWorkerHeaderBytes = 20;

enum class TWorkerMessage : std::uint32_t {
    // Worker to run, once it is locked in: how far the file system is shut.
    Ready = 1,
    // Run to worker: one photograph and its plan.
    Work = 2,
    // Worker to run: what became of it.
    Outputs = 3,
    // Run to worker, test builds of a run only: try to reach outside the worker.
    Probe = 4,
    // Worker to run: what each attempt of a Probe met.
    ProbeResult = 5,
    // Window to worker: one picture to preview.
    Preview = 6,
    // Worker to window: the picture made small.
    PreviewPicture = 7,
};

// A header as read, its fields checked.
struct TWorkerHeader {
    TWorkerMessage Kind = TWorkerMessage::Ready;
    std::uint64_t Length = 0;
};

// The header of a message whose payload is Length bytes long.
QByteArray MessageHeader(TWorkerMessage Kind, std::uint64_t Length);
// The header in Bytes (kWorkerHeaderBytes of them), or nothing when its mark, version or kind is
// wrong or its payload is longer than MaxPayload.
std::optional<TWorkerHeader> ParseHeader(const QByteArray& Bytes, std::uint64_t MaxPayload);

// One photograph for a worker.
struct TWorkRequest {
    QByteArray Source;
    QString ExtensionHint;
    TOutputPlan Plan;
};

// A Work payload is the source's bytes, then this trailer: the request's other fields and, in its
// last four bytes, their length. The source goes out and comes in where it already lies; neither
// side copies it to frame or unframe a request.
QByteArray WorkRequestTrailer(const TWorkRequest& Request);
// Takes Payload over: the request's Source is the payload itself, cut before the trailer.
std::optional<TWorkRequest> DecodeWorkRequest(QByteArray Payload);

QByteArray EncodePhotoOutputs(const TPhotoOutputs& Outputs);
// The outputs, or nothing when the payload is malformed or does not answer Plan: one output per
// size, in the plan's order, each fitted inside its box.
std::optional<TPhotoOutputs> DecodePhotoOutputs(const QByteArray& Payload, const TOutputPlan& Plan);

// A Preview payload is laid out as a Work payload: the source's bytes, then a trailer.
QByteArray PreviewRequestTrailer(const TPreviewRequest& Request);
std::optional<TPreviewRequest> DecodePreviewRequest(QByteArray Payload);

QByteArray EncodePreviewPicture(const TPreviewPicture& Picture);
// The picture, or nothing when the payload is malformed or does not answer Request: a size shown
// other than ShownSize gives, or pixels that do not fill it.
std::optional<TPreviewPicture> DecodePreviewPicture(const QByteArray& Payload,
                                                    const TPreviewRequest& Request);
// The largest answer to a preview of LongSide the window accepts.
std::uint64_t MaxPreviewPayload(int LongSide);

// What a worker tells once it is locked in.
struct TWorkerReady {
    bool FileSystemLocked = false;
    QString FileSystemNote;
};

QByteArray EncodeReady(const TWorkerReady& Ready);
std::optional<TWorkerReady> DecodeReady(const QByteArray& Payload);

// What a probe tries: open File, connect to the local socket SocketPath, start Program.
struct TProbeRequest {
    QString File;
    QString SocketPath;
    QString Program;
};

QByteArray EncodeProbeRequest(const TProbeRequest& Request);
std::optional<TProbeRequest> DecodeProbeRequest(const QByteArray& Payload);
// One line per attempt, "open: ...", "connect: ...", "run: ...", "fork: ...".
QByteArray EncodeProbeResult(const QStringList& Lines);
std::optional<QStringList> DecodeProbeResult(const QByteArray& Payload);

// What a worker is told on its command line.
struct TWorkerStart {
    // The address-space limit in bytes, 0 for none.
    std::uint64_t AddressSpaceBytes = 0;
    // The CPU time one photograph may take.
    int CpuSecondsPerFile = 0;
    // Honour the test requests: Probe, and sources that ask the worker to crash or hang.
    bool TestTriggers = false;
    // The run's process: a worker whose parent is another has outlived its run.
    std::int64_t ParentPid = 0;
};

QStringList WorkerArguments(const TWorkerStart& Start);
// Nothing when the arguments are not those WorkerArguments makes.
std::optional<TWorkerStart> ParseWorkerArguments(const QStringList& Arguments);

// The largest payload a worker accepts: a whole source, with its plan.
inline constexpr std::uint64_t kMaxWorkPayload = (std::uint64_t{1} << 32) + (1 << 20);
// The largest answer to Plan the run accepts: per size, four bytes a pixel of its box and room for
// the metadata, and never above 1 GiB.
std::uint64_t MaxOutputsPayload(const TOutputPlan& Plan);

// Sources that make a worker started with TestTriggers crash, hang until it is stopped, answer
// a byte at a time (a header promising 100 bytes, then a byte every 50 ms, so that the whole
// reply would take five seconds to come), or write kTestComplaint to its standard error before
// it goes on as with any other source.
inline constexpr char kCrashTrigger[] = "VK-TEST-CRASH";
inline constexpr char kHangTrigger[] = "VK-TEST-HANG";
inline constexpr char kTrickleTrigger[] = "VK-TEST-TRICKLE";
inline constexpr char kComplainTrigger[] = "VK-TEST-COMPLAIN";
inline constexpr char kTestComplaint[] = "vellumkite-worker: a complaint for the tests\n";
