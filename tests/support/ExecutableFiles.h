#pragma once

// Small executable images made byte by byte: a PE file with one .rsrc section holding a version
// resource, and an ELF file with named sections. The tests and the fuzz seeds build theirs with
// these. Plain C++ with no Qt.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vk_test {

using TImage = std::vector<std::uint8_t>;

inline void PutLE(TImage& Image, std::size_t Offset, std::uint64_t Value, unsigned Size) {
    if (Image.size() < Offset + Size)
        Image.resize(Offset + Size);
    for (unsigned i = 0; i < Size; ++i)
        Image[Offset + i] = static_cast<std::uint8_t>(Value >> (8 * i));
}

inline void PutBE(TImage& Image, std::size_t Offset, std::uint64_t Value, unsigned Size) {
    if (Image.size() < Offset + Size)
        Image.resize(Offset + Size);
    for (unsigned i = 0; i < Size; ++i)
        Image[Offset + i] = static_cast<std::uint8_t>(Value >> (8 * (Size - 1 - i)));
}

inline void PutText(TImage& Image, std::size_t Offset, const std::string& Text) {
    if (Image.size() < Offset + Text.size())
        Image.resize(Offset + Text.size());
    for (std::size_t i = 0; i < Text.size(); ++i)
        Image[Offset + i] = static_cast<std::uint8_t>(Text[i]);
}

// Where things are in a PE image MakePeImage makes, for tests that spoil one field.
struct TPeLayout {
    static constexpr std::size_t PeHeader = 0x80;      // "PE\0\0"
    static constexpr std::size_t Coff = PeHeader + 4;  // NumberOfSections at +2
    static constexpr std::size_t Optional = Coff + 20; // Magic
    std::size_t ResourceDirectoryEntry = 0;            // RVA, Size
    std::size_t SectionTable = 0;                      // one 40-byte entry
    static constexpr std::size_t Resources = 0x200;    // file offset of .rsrc
    static constexpr std::uint32_t ResourcesRva = 0x1000;
    // Offsets within .rsrc.
    static constexpr std::size_t TypeDirectory = 0x00;
    static constexpr std::size_t NameDirectory = 0x18;
    static constexpr std::size_t LanguageDirectory = 0x30;
    static constexpr std::size_t DataEntry = 0x48;
    static constexpr std::size_t VersionData = 0x58;
};

// A Windows executable (PE32, or PE32+ when Plus) whose only section, .rsrc, holds one
// RT_VERSION resource (name 1, language 0x0409) with the bytes Version.
inline TImage MakePeImage(const std::vector<std::uint8_t>& Version, bool Plus = false,
                          TPeLayout* Layout = nullptr) {
    TPeLayout layout;
    TImage image(TPeLayout::Resources, 0);
    // DOS header and stub.
    PutText(image, 0, "MZ");
    PutLE(image, 0x3C, TPeLayout::PeHeader, 4);
    PutText(image, 0x40, "This program cannot be run in DOS mode.\r\n$");
    PutText(image, TPeLayout::PeHeader, std::string("PE\0\0", 4));
    // COFF header.
    PutLE(image, TPeLayout::Coff + 0, Plus ? 0x8664 : 0x14C, 2);
    PutLE(image, TPeLayout::Coff + 2, 1, 2);
    const std::size_t optionalSize = Plus ? 240 : 224;
    PutLE(image, TPeLayout::Coff + 16, optionalSize, 2);
    PutLE(image, TPeLayout::Coff + 18, Plus ? 0x0022 : 0x0102, 2);
    // Optional header.
    const std::size_t o = TPeLayout::Optional;
    PutLE(image, o + 0, Plus ? 0x20B : 0x10B, 2);
    PutLE(image, o + (Plus ? 32 : 32), 0x1000, 4); // SectionAlignment
    PutLE(image, o + 36, 0x200, 4);                // FileAlignment
    PutLE(image, o + 56, 0x2000 + ((Version.size() + 0xFFF) & ~std::size_t{0xFFF}), 4);
    PutLE(image, o + 60, TPeLayout::Resources, 4); // SizeOfHeaders
    PutLE(image, o + 68, 2, 2);                    // Subsystem: GUI
    const std::size_t directoryCount = o + (Plus ? 108 : 92);
    PutLE(image, directoryCount, 16, 4);
    const std::size_t resourceSize = TPeLayout::VersionData + Version.size();
    layout.ResourceDirectoryEntry = directoryCount + 4 + 2 * 8;
    PutLE(image, layout.ResourceDirectoryEntry, TPeLayout::ResourcesRva, 4);
    PutLE(image, layout.ResourceDirectoryEntry + 4, resourceSize, 4);
    // Section table.
    layout.SectionTable = o + optionalSize;
    const std::size_t rawSize = (resourceSize + 0x1FF) & ~std::size_t{0x1FF};
    PutText(image, layout.SectionTable, ".rsrc");
    PutLE(image, layout.SectionTable + 8, resourceSize, 4);
    PutLE(image, layout.SectionTable + 12, TPeLayout::ResourcesRva, 4);
    PutLE(image, layout.SectionTable + 16, rawSize, 4);
    PutLE(image, layout.SectionTable + 20, TPeLayout::Resources, 4);
    PutLE(image, layout.SectionTable + 36, 0x40000040, 4); // initialised data, readable
    // Resource tree: type 16 -> name 1 -> language 0x0409 -> data.
    const std::size_t r = TPeLayout::Resources;
    image.resize(r + rawSize, 0);
    PutLE(image, r + TPeLayout::TypeDirectory + 14, 1, 2);
    PutLE(image, r + TPeLayout::TypeDirectory + 16, 16, 4);
    PutLE(image, r + TPeLayout::TypeDirectory + 20, 0x80000000u | TPeLayout::NameDirectory, 4);
    PutLE(image, r + TPeLayout::NameDirectory + 14, 1, 2);
    PutLE(image, r + TPeLayout::NameDirectory + 16, 1, 4);
    PutLE(image, r + TPeLayout::NameDirectory + 20, 0x80000000u | TPeLayout::LanguageDirectory, 4);
    PutLE(image, r + TPeLayout::LanguageDirectory + 14, 1, 2);
    PutLE(image, r + TPeLayout::LanguageDirectory + 16, 0x0409, 4);
    PutLE(image, r + TPeLayout::LanguageDirectory + 20, TPeLayout::DataEntry, 4);
    PutLE(image, r + TPeLayout::DataEntry + 0, TPeLayout::ResourcesRva + TPeLayout::VersionData, 4);
    PutLE(image, r + TPeLayout::DataEntry + 4, Version.size(), 4);
    std::copy(Version.begin(), Version.end(),
              image.begin() + static_cast<std::ptrdiff_t>(r + TPeLayout::VersionData));
    if (Layout)
        *Layout = layout;
    return image;
}

// Where things are in an ELF image MakeElfImage makes.
struct TElfLayout {
    std::size_t SectionHeaders = 0; // e_shoff
    std::size_t Names = 0;          // file offset of .shstrtab
    std::vector<std::size_t> Data;  // file offset of each section's bytes
};

// An ELF executable (64-bit little-endian, or 32-bit big-endian when Classic) with a null
// section, the given sections (PROGBITS) and .shstrtab last.
inline TImage MakeElfImage(
    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& Sections,
    bool Classic = false, TElfLayout* Layout = nullptr) {
    const bool is64 = !Classic;
    const auto put = [&](TImage& Image, std::size_t Offset, std::uint64_t Value, unsigned Size) {
        if (is64)
            PutLE(Image, Offset, Value, Size);
        else
            PutBE(Image, Offset, Value, Size);
    };
    const std::size_t headerSize = is64 ? 64 : 52;
    const std::size_t entrySize = is64 ? 64 : 40;
    const unsigned word = is64 ? 8 : 4;
    TElfLayout layout;
    TImage image(headerSize, 0);
    PutText(image, 0, "\177ELF");
    image[4] = is64 ? 2 : 1;
    image[5] = is64 ? 1 : 2;
    image[6] = 1;
    put(image, 16, 2, 2);             // ET_EXEC
    put(image, 18, is64 ? 62 : 8, 2); // x86-64, MIPS
    put(image, 20, 1, 4);
    // Section bytes, then the names, then the headers.
    std::string names(1, '\0');
    std::vector<std::size_t> nameOffsets;
    for (const auto& [name, bytes] : Sections) {
        while (image.size() % 4)
            image.push_back(0);
        layout.Data.push_back(image.size());
        image.insert(image.end(), bytes.begin(), bytes.end());
        nameOffsets.push_back(names.size());
        names += name;
        names += '\0';
    }
    const std::size_t namesName = names.size();
    names += ".shstrtab";
    names += '\0';
    layout.Names = image.size();
    PutText(image, image.size(), names);
    while (image.size() % 8)
        image.push_back(0);
    layout.SectionHeaders = image.size();
    const std::size_t count = Sections.size() + 2;
    image.resize(image.size() + count * entrySize, 0);
    const auto header = [&](std::size_t Index, std::size_t Name, std::uint32_t Type,
                            std::size_t Offset, std::size_t Size) {
        const std::size_t at = layout.SectionHeaders + Index * entrySize;
        put(image, at + 0, Name, 4);
        put(image, at + 4, Type, 4);
        put(image, at + (is64 ? 24 : 16), Offset, word);
        put(image, at + (is64 ? 32 : 20), Size, word);
    };
    for (std::size_t i = 0; i < Sections.size(); ++i)
        header(i + 1, nameOffsets[i], 1, layout.Data[i], Sections[i].second.size());
    header(count - 1, namesName, 3, layout.Names, names.size());
    put(image, is64 ? 0x28 : 0x20, layout.SectionHeaders, word);
    put(image, is64 ? 0x34 : 0x28, headerSize, 2);
    put(image, is64 ? 0x3A : 0x2E, entrySize, 2);
    put(image, is64 ? 0x3C : 0x30, count, 2);
    put(image, is64 ? 0x3E : 0x32, count - 1, 2);
    if (Layout)
        *Layout = layout;
    return image;
}

} // namespace vk_test
