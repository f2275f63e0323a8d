// libFuzzer target: the VS_VERSIONINFO block parser and its queries.
#include "FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    vk_fuzz::VersionBlockInput(Data, Size);
    return 0;
}
