#pragma once

// What the fuzz targets and the corpus replay (tests/version/test_fuzz_corpus) run on one input:
// the same calls ReadFileVersionInfo makes, on bytes instead of a file.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "version/ExecutableImage.h"
#include "version/FileVersionInfo.h"
#include "version/VersionBlock.h"

namespace vk_fuzz {

// The input as a VS_VERSIONINFO block: every query ReadFileVersionInfo makes, and a few paths
// that end at other kinds of node.
inline void VersionBlockInput(const std::uint8_t* Data, std::size_t Size) {
    const std::span<const std::uint8_t> block(Data, Size);
    TFileVersionInfo info;
    ReadVersionBlockFields(block, info);
    for (const std::u16string_view path :
         {u"\\", u"\\\\", u"\\StringFileInfo", u"\\VarFileInfo\\Translation\\x",
          u"\\StringFileInfo\\040904B0\\FileVersion\\"})
        VersionBlock::QueryValue(block, path);
    (void)QueryVersionString(block, QStringLiteral("FileVersion"));
}

// The input as a whole file: the PE resource walk and the ELF section look-up. A block found is
// copied to a buffer of its own size, so that the sanitizer sees any read past its end.
inline void ExecutableImageInput(const std::uint8_t* Data, std::size_t Size) {
    const std::span<const std::uint8_t> image(Data, Size);
    for (const auto& found :
         {ExecutableImage::FindPeVersionResource(image),
          ExecutableImage::FindElfSection(image, ExecutableImage::kVersionSectionName),
          ExecutableImage::FindElfSection(image, ".shstrtab")}) {
        if (!found)
            continue;
        const std::vector<std::uint8_t> copy(found->begin(), found->end());
        VersionBlockInput(copy.data(), copy.size());
    }
    TFileVersionInfo info;
    ReadExecutableImageFields(image, info);
}

} // namespace vk_fuzz
