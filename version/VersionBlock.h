#pragma once

// The VS_VERSIONINFO block of a version resource, read the way VerQueryValue reads it. Plain C++
// with no Qt, so that the build's own tool and the fuzz targets use it as it is.
//
// A block is a tree of nodes. Each node: wLength (bytes of the whole node), wValueLength (of the
// value: bytes when wType is 0, 16-bit characters when wType is 1), wType, the key as a
// NUL-terminated UTF-16LE text, padding to a 32-bit boundary, the value, padding, then the
// children up to wLength. Nothing here reads outside the bytes it is given: a node that overruns
// its parent is cut at the parent's end, a node too short for its own header ends the list of
// children, and every step moves forward, so no block can loop.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace VersionBlock {

using TBytes = std::span<const std::uint8_t>;

// VS_FIXEDFILEINFO: the root node's value.
struct TFixedFileInfo {
    std::uint32_t Signature = 0xFEEF04BD;
    std::uint32_t StrucVersion = 0x00010000;
    std::uint32_t FileVersionMS = 0;
    std::uint32_t FileVersionLS = 0;
    std::uint32_t ProductVersionMS = 0;
    std::uint32_t ProductVersionLS = 0;
    std::uint32_t FileFlagsMask = 0;
    std::uint32_t FileFlags = 0;
    std::uint32_t FileOS = 0;
    std::uint32_t FileType = 0;
    std::uint32_t FileSubtype = 0;
    std::uint32_t FileDateMS = 0;
    std::uint32_t FileDateLS = 0;
};

inline constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
inline constexpr std::size_t kFixedFileInfoSize = 52;

// VerQueryValue: the value of the node that SubBlock names, as bytes. SubBlock is a path of keys
// separated by "\" ("\" alone names the root node); keys match without regard to the case of
// ASCII letters. The value runs from its start to the end of the node, at most as long as
// wValueLength says; nothing when a key is missing or a node is malformed.
std::optional<TBytes> QueryValue(TBytes Block, std::u16string_view SubBlock);

// The root's VS_FIXEDFILEINFO; nothing when the value is shorter than one or its signature is
// not 0xFEEF04BD.
std::optional<TFixedFileInfo> QueryFixedFileInfo(TBytes Block);

// The first entry of "\VarFileInfo\Translation": language in the low 16 bits, code page in the
// high 16 bits; nothing when the table is missing or shorter than one entry.
std::optional<std::uint32_t> QueryFirstTranslation(TBytes Block);

// "\StringFileInfo\%.4X%.4X\<Key>" for a translation entry: upper-case hexadecimal digits.
std::u16string StringPath(std::uint32_t Translation, std::u16string_view Key);

// QueryVersionString: the string value Key of the first translation only, up to its
// first NUL; empty when the table or the key is missing.
std::u16string QueryVersionString(TBytes Block, std::u16string_view Key);

} // namespace VersionBlock
