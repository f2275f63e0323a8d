// libFuzzer target: the JPEG header reader, on a buffer of exactly the input's size. A header
// found has a size and an orientation in range, and depends on nothing past its frame header.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "FuzzInputs.h"
#include "batch/JpegHeader.h"

using vk_fuzz::Expect;

namespace {

bool Same(const std::optional<TJpegHeader>& A, const std::optional<TJpegHeader>& B) {
    return A.has_value() == B.has_value() &&
           (!A || (A->Stored == B->Stored && A->Orientation == B->Orientation));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const QByteArrayView bytes(Data, static_cast<qsizetype>(Size));
    const std::optional<TJpegHeader> header = ReadJpegHeader(bytes);
    if (Size > 0) {
        // A prefix that holds a whole header is the same header in the longer file.
        const std::optional<TJpegHeader> shorter = ReadJpegHeader(bytes.chopped(1));
        Expect(!shorter || Same(shorter, header),
               "a header read does not change with what follows");
    }
    if (!header)
        return 0;
    Expect(header->Stored.Width >= 1 && header->Stored.Width <= 0xFFFF &&
               header->Stored.Height >= 1 && header->Stored.Height <= 0xFFFF,
           "a header's size is that of a frame header, never 0");
    Expect(header->Orientation >= 1 && header->Orientation <= 8, "the orientation is 1 to 8");
    std::vector<std::uint8_t> doubled(Data, Data + Size);
    doubled.insert(doubled.end(), Data, Data + Size);
    Expect(Same(ReadJpegHeader(QByteArrayView(doubled.data(), doubled.size())), header),
           "bytes past the frame header are not read");
    return 0;
}
