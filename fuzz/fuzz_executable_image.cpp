// libFuzzer target: the PE resource walk and the ELF section look-up, then the block found.
#include "FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    vk_fuzz::ExecutableImageInput(Data, Size);
    return 0;
}
