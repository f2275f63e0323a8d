#pragma once

// How the fuzz targets with more than one reader lay out an input, shared with make-seeds so
// that the seeds reach each reader: the first byte picks the reader, and a few more bytes give
// what the reader is asked against (a plan, a preview's side) before its own bytes. And what
// the targets share: a view of the input's bytes, and the check of a promise.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <QByteArray>

#include "batch/OutputSize.h"
#include "batch/PhotoOutputs.h"
#include "batch/PreviewPicture.h"

namespace vk_fuzz {

// A promise the code broke: the input is kept by libFuzzer as a crash.
inline void Expect(bool Holds, const char* Promise) {
    if (!Holds) {
        std::fprintf(stderr, "broken promise: %s\n", Promise);
        std::abort();
    }
}

// The input's bytes from Offset on, without a copy: a read past its end is the sanitizer's to see.
inline QByteArray InputFrom(const std::uint8_t* Data, std::size_t Size, std::size_t Offset) {
    return Offset >= Size ? QByteArray()
                          : QByteArray::fromRawData(reinterpret_cast<const char*>(Data + Offset),
                                                    static_cast<qsizetype>(Size - Offset));
}

// What a worker sends the run. Outputs: then a plan byte (PlanFrom). PreviewPicture: then the
// long side (two bytes, big-endian) and Enlarge (a byte). Header: then a byte for the limit.
enum TReplyReader : std::uint8_t {
    rrHeader,
    rrOutputs,
    rrReady,
    rrPreviewPicture,
    rrProbeResult,
    rrCount
};

// What the run sends a worker. Arguments: NUL-separated. Start: a TWorkerStart's fields, made
// into arguments and read back.
enum TRequestReader : std::uint8_t { qrWork, qrPreview, qrProbe, qrArguments, qrStart, qrCount };

// A plan from one byte: bits 0 to 2 switch the sizes on, bit 3 picks boxes of a pixel or two
// instead of the default ones.
inline TOutputPlan PlanFrom(std::uint8_t Choice) {
    constexpr TDimensions kBoxes[2][3] = {{{100, 95}, {350, 325}, {600, 600}},
                                          {{1, 1}, {2, 1}, {1, 3}}};
    TOutputPlan plan;
    for (const TOutputSize size : kRunOrder) {
        if (Choice & (1 << size))
            plan.Sizes.push_back({size, kBoxes[(Choice >> 3) & 1][size]});
    }
    return plan;
}

// A preview request's side from two bytes, always one the window may ask for.
inline int LongSideFrom(std::uint8_t High, std::uint8_t Low) {
    return (High << 8 | Low) % kMaxPreviewSide + 1;
}

} // namespace vk_fuzz
