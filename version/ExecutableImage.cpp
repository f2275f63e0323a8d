#include "ExecutableImage.h"

#include <cstdint>

namespace ExecutableImage {
namespace {

// A bounds-checked little- or big-endian reader over the image.
struct TReader {
    TBytes Bytes;
    bool BigEndian = false;

    bool Has(std::uint64_t Offset, std::uint64_t Size) const {
        return Offset <= Bytes.size() && Size <= Bytes.size() - Offset;
    }
    std::optional<std::uint64_t> Read(std::uint64_t Offset, unsigned Size) const {
        if (!Has(Offset, Size))
            return std::nullopt;
        std::uint64_t value = 0;
        for (unsigned i = 0; i < Size; ++i) {
            const unsigned index = BigEndian ? i : Size - 1 - i;
            value = (value << 8) | Bytes[static_cast<std::size_t>(Offset + index)];
        }
        return value;
    }
    std::optional<TBytes> Span(std::uint64_t Offset, std::uint64_t Size) const {
        if (!Has(Offset, Size))
            return std::nullopt;
        return Bytes.subspan(static_cast<std::size_t>(Offset), static_cast<std::size_t>(Size));
    }
};

// ---- PE ----

constexpr std::uint32_t kResourceTypeVersion = 16;
constexpr std::uint32_t kHighBit = 0x80000000u;

struct TPeSections {
    TReader Image;
    std::uint64_t TableOffset = 0;
    std::uint32_t Count = 0;

    // The file offset of [Rva, Rva + Size) when one section's raw data holds it all.
    std::optional<std::uint64_t> FileOffset(std::uint64_t Rva, std::uint64_t Size) const {
        for (std::uint32_t i = 0; i < Count; ++i) {
            const std::uint64_t entry = TableOffset + std::uint64_t{40} * i;
            const auto virtualAddress = Image.Read(entry + 12, 4);
            const auto rawSize = Image.Read(entry + 16, 4);
            const auto rawOffset = Image.Read(entry + 20, 4);
            if (!virtualAddress || !rawSize || !rawOffset)
                return std::nullopt;
            if (Rva < *virtualAddress || Rva - *virtualAddress > *rawSize ||
                Size > *rawSize - (Rva - *virtualAddress))
                continue;
            const std::uint64_t offset = *rawOffset + (Rva - *virtualAddress);
            if (Image.Has(offset, Size))
                return offset;
        }
        return std::nullopt;
    }
    std::optional<std::uint64_t> ReadRva(std::uint64_t Rva, unsigned Size) const {
        const auto offset = FileOffset(Rva, Size);
        return offset ? Image.Read(*offset, Size) : std::nullopt;
    }
};

std::optional<std::uint64_t> PeHeaderOffset(const TReader& Image) {
    if (!Image.Has(0, 64) || Image.Bytes[0] != 'M' || Image.Bytes[1] != 'Z')
        return std::nullopt;
    const auto offset = Image.Read(0x3C, 4);
    if (!offset || !Image.Has(*offset, 4))
        return std::nullopt;
    const TBytes signature = Image.Bytes.subspan(static_cast<std::size_t>(*offset), 4);
    if (signature[0] != 'P' || signature[1] != 'E' || signature[2] != 0 || signature[3] != 0)
        return std::nullopt;
    return *offset;
}

// The RVA of the OffsetToData of an entry in the resource directory at DirectoryRva, chosen by
// Pick (the entry's index and its name or id); nothing when none is chosen.
template <typename Picker>
std::optional<std::uint32_t> PickEntry(const TPeSections& Sections, std::uint64_t DirectoryRva,
                                       Picker Pick) {
    const auto named = Sections.ReadRva(DirectoryRva + 12, 2);
    const auto ids = Sections.ReadRva(DirectoryRva + 14, 2);
    if (!named || !ids)
        return std::nullopt;
    // The directory and all its entries are mapped at once, so that a huge count costs one
    // look-up in the section table, not one per entry.
    const std::uint64_t count = *named + *ids; // at most 131070
    const auto directory = Sections.FileOffset(DirectoryRva, 16 + 8 * count);
    if (!directory)
        return std::nullopt;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t entry = *directory + 16 + 8 * i;
        const auto name = Sections.Image.Read(entry, 4);
        const auto data = Sections.Image.Read(entry + 4, 4);
        if (!name || !data)
            return std::nullopt;
        if (Pick(i, static_cast<std::uint32_t>(*name)))
            return static_cast<std::uint32_t>(*data);
    }
    return std::nullopt;
}

// ---- ELF ----

struct TElfLayout {
    bool Is64 = false;
    std::uint64_t SectionHeaderSize() const { return Is64 ? 64 : 40; }
    std::uint64_t NameAt() const { return 0; }
    std::uint64_t TypeAt() const { return 4; }
    std::uint64_t LinkAt() const { return Is64 ? 40 : 24; }
    std::uint64_t OffsetAt() const { return Is64 ? 24 : 16; }
    std::uint64_t SizeAt() const { return Is64 ? 32 : 20; }
    unsigned Word() const { return Is64 ? 8 : 4; }
};

constexpr std::uint32_t kSectionTypeNoBits = 8;

// "\x7f" "ELF" at the start.
bool IsElfImage(TBytes Image) {
    return Image.size() >= 4 && Image[0] == 0x7F && Image[1] == 'E' && Image[2] == 'L' &&
           Image[3] == 'F';
}

} // namespace

std::optional<TBytes> FindPeVersionResource(TBytes Bytes) {
    const TReader image{Bytes};
    const auto pe = PeHeaderOffset(image);
    if (!pe)
        return std::nullopt;
    const std::uint64_t coff = *pe + 4;
    const auto sectionCount = image.Read(coff + 2, 2);
    const auto optionalSize = image.Read(coff + 16, 2);
    const std::uint64_t optional = coff + 20;
    const auto magic = image.Read(optional, 2);
    if (!sectionCount || !optionalSize || !magic)
        return std::nullopt;
    std::uint64_t directoryCountAt = 0;
    if (*magic == 0x10B)
        directoryCountAt = 92; // PE32
    else if (*magic == 0x20B)
        directoryCountAt = 108; // PE32+
    else
        return std::nullopt;
    const std::uint64_t resourceDirectoryAt = directoryCountAt + 4 + 2 * 8;
    const auto directoryCount = image.Read(optional + directoryCountAt, 4);
    if (!directoryCount || *directoryCount <= 2 || resourceDirectoryAt + 8 > *optionalSize)
        return std::nullopt;
    const auto resourceRva = image.Read(optional + resourceDirectoryAt, 4);
    if (!resourceRva || *resourceRva == 0)
        return std::nullopt;

    const TPeSections sections{image, optional + *optionalSize,
                               static_cast<std::uint32_t>(*sectionCount)};
    if (!image.Has(sections.TableOffset, std::uint64_t{40} * sections.Count))
        return std::nullopt;

    // Type, name, language: a subdirectory at the first two levels, a data entry at the third.
    const std::uint64_t root = *resourceRva;
    const auto type = PickEntry(sections, root, [](std::uint64_t, std::uint32_t Name) {
        return Name == kResourceTypeVersion;
    });
    if (!type || !(*type & kHighBit))
        return std::nullopt;
    const auto name = PickEntry(sections, root + (*type & ~kHighBit),
                                [](std::uint64_t Index, std::uint32_t) { return Index == 0; });
    if (!name || !(*name & kHighBit))
        return std::nullopt;
    const auto language = PickEntry(sections, root + (*name & ~kHighBit),
                                    [](std::uint64_t Index, std::uint32_t) { return Index == 0; });
    if (!language || (*language & kHighBit))
        return std::nullopt;
    const std::uint64_t dataEntry = root + *language;
    const auto dataRva = sections.ReadRva(dataEntry, 4);
    const auto dataSize = sections.ReadRva(dataEntry + 4, 4);
    if (!dataRva || !dataSize)
        return std::nullopt;
    const auto offset = sections.FileOffset(*dataRva, *dataSize);
    if (!offset)
        return std::nullopt;
    return image.Span(*offset, *dataSize);
}

std::optional<TBytes> FindElfSection(TBytes Bytes, std::string_view Name) {
    if (!IsElfImage(Bytes) || Bytes.size() < 16)
        return std::nullopt;
    TElfLayout layout;
    if (Bytes[4] == 1)
        layout.Is64 = false;
    else if (Bytes[4] == 2)
        layout.Is64 = true;
    else
        return std::nullopt;
    TReader image{Bytes};
    if (Bytes[5] == 2)
        image.BigEndian = true;
    else if (Bytes[5] != 1)
        return std::nullopt;

    const auto tableOffset = image.Read(layout.Is64 ? 0x28 : 0x20, layout.Word());
    const auto entrySize = image.Read(layout.Is64 ? 0x3A : 0x2E, 2);
    auto count = image.Read(layout.Is64 ? 0x3C : 0x30, 2);
    auto namesIndex = image.Read(layout.Is64 ? 0x3E : 0x32, 2);
    if (!tableOffset || !entrySize || !count || !namesIndex || *tableOffset == 0 ||
        *entrySize < layout.SectionHeaderSize())
        return std::nullopt;
    // More than 0xFF00 sections: the count is in section 0's size, the names' index in its link.
    if (*count == 0) {
        count = image.Read(*tableOffset + layout.SizeAt(), layout.Word());
        if (!count)
            return std::nullopt;
    }
    if (*namesIndex == 0xFFFF) {
        namesIndex = image.Read(*tableOffset + layout.LinkAt(), 4);
        if (!namesIndex)
            return std::nullopt;
    }
    // The whole table must lie in the file: no count can make the walk run long.
    if (*count > Bytes.size() / *entrySize || !image.Has(*tableOffset, *count * *entrySize) ||
        *namesIndex >= *count)
        return std::nullopt;

    const auto header = [&](std::uint64_t Index) { return *tableOffset + Index * *entrySize; };
    const auto sectionBytes = [&](std::uint64_t Index) -> std::optional<TBytes> {
        const auto type = image.Read(header(Index) + layout.TypeAt(), 4);
        const auto offset = image.Read(header(Index) + layout.OffsetAt(), layout.Word());
        const auto size = image.Read(header(Index) + layout.SizeAt(), layout.Word());
        if (!type || !offset || !size || *type == kSectionTypeNoBits)
            return std::nullopt;
        return image.Span(*offset, *size);
    };
    const auto names = sectionBytes(*namesIndex);
    if (!names)
        return std::nullopt;
    for (std::uint64_t i = 0; i < *count; ++i) {
        const auto nameOffset = image.Read(header(i) + layout.NameAt(), 4);
        if (!nameOffset || *nameOffset >= names->size())
            continue;
        const TBytes rest = names->subspan(static_cast<std::size_t>(*nameOffset));
        if (rest.size() < Name.size() + 1 || rest[Name.size()] != 0)
            continue;
        if (std::string_view(reinterpret_cast<const char*>(rest.data()), Name.size()) == Name)
            return sectionBytes(i);
    }
    return std::nullopt;
}

std::optional<TBytes> FindVersionBlock(TBytes Image) {
    if (IsElfImage(Image))
        return FindElfSection(Image, kVersionSectionName);
    return FindPeVersionResource(Image);
}

} // namespace ExecutableImage
