#pragma once

// Where a version block lives in an executable image: a PE file's version resource, or the ELF
// section our own executables carry. Plain C++ with no Qt. Every offset, size and count read
// from the image is checked against the bytes given before it is used.

#include <optional>
#include <string_view>

#include "VersionBlock.h"

namespace ExecutableImage {

using VersionBlock::TBytes;

// The section the build puts the program's version block in.
inline constexpr std::string_view kVersionSectionName = ".vk_version";

// The data of the first RT_VERSION (16) resource: first name, first language. The resource
// directory is found through the optional header (PE32 or PE32+) and every RVA is mapped to the
// file through the section table.
std::optional<TBytes> FindPeVersionResource(TBytes Image);

// The bytes of the ELF section named Name (32 or 64 bit, either byte order); nothing for a
// section without bytes in the file.
std::optional<TBytes> FindElfSection(TBytes Image, std::string_view Name);

// The version block of a PE or ELF image; nothing for anything else.
std::optional<TBytes> FindVersionBlock(TBytes Image);

} // namespace ExecutableImage
