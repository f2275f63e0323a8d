// libFuzzer target: the picture signature check, on the first bytes of a file as the folder scan
// reads them, in a buffer of exactly their size. One more byte read never turns a picture into
// something else: a picture is never passed over for being read further.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "FuzzInputs.h"
#include "batch/PictureSignature.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const auto size = std::min(static_cast<qsizetype>(Size), kPictureSignatureBytes);
    const char* bytes = reinterpret_cast<const char*>(Data);
    const bool picture = HasPictureSignature(QByteArray::fromRawData(bytes, size));
    if (size > 0 && HasPictureSignature(QByteArray::fromRawData(bytes, size - 1)))
        vk_fuzz::Expect(picture, "a picture's head stays a picture's with one more byte");
    return 0;
}
