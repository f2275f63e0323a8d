#pragma once

// Writes VS_VERSIONINFO blocks: the build writes the program's own block with it, and the tests
// and the fuzz seeds build theirs. Plain C++ with no Qt.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "VersionBlock.h"

namespace VersionBlock {

// One node as written: wLength and the padding are worked out; wValueLength is taken from the
// value (its bytes, or its 16-bit units when Type is 1) unless ValueLength overrides it.
struct TNodeToWrite {
    std::u16string Key;
    std::uint16_t Type = 0;
    std::vector<std::uint8_t> Value;
    std::optional<std::uint16_t> ValueLength;
    std::vector<TNodeToWrite> Children;
};

std::vector<std::uint8_t> WriteNode(const TNodeToWrite& Node);

// The usual shape: the fixed file information, one string table and one translation entry.
struct TVersionResource {
    TFixedFileInfo Fixed;
    std::uint16_t Language = 0x0409;
    std::uint16_t CodePage = 1200;
    // The string table's key; empty means "%04X%04X" of Language and CodePage.
    std::u16string StringTableKey;
    bool WithTranslation = true;
    std::vector<std::pair<std::u16string, std::u16string>> Strings;
};

TNodeToWrite ResourceNode(const TVersionResource& Resource);
std::vector<std::uint8_t> WriteVersionResource(const TVersionResource& Resource);

} // namespace VersionBlock
