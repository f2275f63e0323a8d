#include "VersionBlock.h"

#include <algorithm>

namespace VersionBlock {
namespace {

constexpr std::size_t kHeaderSize = 6; // wLength, wValueLength, wType

std::uint16_t Word(TBytes Bytes, std::size_t Offset) {
    return static_cast<std::uint16_t>(Bytes[Offset] | (Bytes[Offset + 1] << 8));
}

std::uint32_t DWord(TBytes Bytes, std::size_t Offset) {
    return static_cast<std::uint32_t>(Bytes[Offset]) |
           (static_cast<std::uint32_t>(Bytes[Offset + 1]) << 8) |
           (static_cast<std::uint32_t>(Bytes[Offset + 2]) << 16) |
           (static_cast<std::uint32_t>(Bytes[Offset + 3]) << 24);
}

// Offsets are aligned from the start of the block, which a resource starts on a 32-bit boundary.
constexpr std::size_t Align4(std::size_t Offset) {
    return (Offset + 3) & ~std::size_t{3};
}

char16_t FoldAscii(char16_t Unit) {
    return (Unit >= u'A' && Unit <= u'Z') ? static_cast<char16_t>(Unit - u'A' + u'a') : Unit;
}

// One node found in the bytes: where it starts, where it ends (cut at its parent's end), where
// its key starts and ends, its value and where its children start.
struct TNode {
    std::size_t Start = 0;
    std::size_t End = 0;
    std::size_t KeyStart = 0;
    std::size_t KeyEnd = 0; // the NUL
    std::size_t ValueStart = 0;
    std::size_t ValueSize = 0;
    std::size_t ChildrenStart = 0;
};

// The node at Start within [Start, Limit); nothing when its header or key does not fit.
std::optional<TNode> NodeAt(TBytes Block, std::size_t Start, std::size_t Limit) {
    if (Start > Limit || Limit - Start < kHeaderSize)
        return std::nullopt;
    const std::size_t length = Word(Block, Start);
    if (length < kHeaderSize)
        return std::nullopt;
    TNode node;
    node.Start = Start;
    node.End = Start + std::min(length, Limit - Start);
    const std::size_t valueLength = Word(Block, Start + 2);
    const std::uint16_t type = Word(Block, Start + 4);
    node.KeyStart = Start + kHeaderSize;
    std::size_t at = node.KeyStart;
    for (;;) {
        if (node.End - at < 2)
            return std::nullopt; // no NUL before the node ends
        if (Word(Block, at) == 0)
            break;
        at += 2;
    }
    node.KeyEnd = at;
    node.ValueStart = std::min(Align4(at + 2), node.End);
    const std::size_t valueBytes = type == 1 ? valueLength * 2 : valueLength;
    node.ValueSize = std::min(valueBytes, node.End - node.ValueStart);
    node.ChildrenStart = std::min(Align4(node.ValueStart + node.ValueSize), node.End);
    return node;
}

bool KeyIs(TBytes Block, const TNode& Node, std::u16string_view Key) {
    if ((Node.KeyEnd - Node.KeyStart) / 2 != Key.size())
        return false;
    for (std::size_t i = 0; i < Key.size(); ++i)
        if (FoldAscii(static_cast<char16_t>(Word(Block, Node.KeyStart + 2 * i))) !=
            FoldAscii(Key[i]))
            return false;
    return true;
}

// The first child of Parent whose key is Key.
std::optional<TNode> ChildNamed(TBytes Block, const TNode& Parent, std::u16string_view Key) {
    std::size_t at = Parent.ChildrenStart;
    while (at < Parent.End) {
        const std::optional<TNode> child = NodeAt(Block, at, Parent.End);
        if (!child)
            return std::nullopt;
        if (KeyIs(Block, *child, Key))
            return child;
        at = Align4(child->End); // child->End > at: the walk always moves forward
    }
    return std::nullopt;
}

} // namespace

std::optional<TBytes> QueryValue(TBytes Block, std::u16string_view SubBlock) {
    std::optional<TNode> node = NodeAt(Block, 0, Block.size());
    while (node) {
        while (!SubBlock.empty() && SubBlock.front() == u'\\')
            SubBlock.remove_prefix(1);
        if (SubBlock.empty())
            return Block.subspan(node->ValueStart, node->ValueSize);
        const std::size_t end = std::min(SubBlock.find(u'\\'), SubBlock.size());
        node = ChildNamed(Block, *node, SubBlock.substr(0, end));
        SubBlock.remove_prefix(end);
    }
    return std::nullopt;
}

std::optional<TFixedFileInfo> QueryFixedFileInfo(TBytes Block) {
    const std::optional<TBytes> value = QueryValue(Block, u"\\");
    if (!value || value->size() < kFixedFileInfoSize || DWord(*value, 0) != kFixedFileInfoSignature)
        return std::nullopt;
    const TBytes v = *value;
    TFixedFileInfo info;
    info.Signature = DWord(v, 0);
    info.StrucVersion = DWord(v, 4);
    info.FileVersionMS = DWord(v, 8);
    info.FileVersionLS = DWord(v, 12);
    info.ProductVersionMS = DWord(v, 16);
    info.ProductVersionLS = DWord(v, 20);
    info.FileFlagsMask = DWord(v, 24);
    info.FileFlags = DWord(v, 28);
    info.FileOS = DWord(v, 32);
    info.FileType = DWord(v, 36);
    info.FileSubtype = DWord(v, 40);
    info.FileDateMS = DWord(v, 44);
    info.FileDateLS = DWord(v, 48);
    return info;
}

std::optional<std::uint32_t> QueryFirstTranslation(TBytes Block) {
    const std::optional<TBytes> value = QueryValue(Block, u"\\VarFileInfo\\Translation");
    if (!value || value->size() < 4)
        return std::nullopt;
    return DWord(*value, 0);
}

std::u16string StringPath(std::uint32_t Translation, std::u16string_view Key) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    const std::uint32_t language = Translation & 0xFFFF;
    const std::uint32_t codePage = Translation >> 16;
    std::u16string path = u"\\StringFileInfo\\";
    for (const std::uint32_t part : {language, codePage})
        for (int shift = 12; shift >= 0; shift -= 4)
            path += kDigits[(part >> shift) & 0xF];
    path += u'\\';
    path += Key;
    return path;
}

std::u16string QueryVersionString(TBytes Block, std::u16string_view Key) {
    const std::optional<std::uint32_t> translation = QueryFirstTranslation(Block);
    if (!translation)
        return {};
    const std::optional<TBytes> value = QueryValue(Block, StringPath(*translation, Key));
    if (!value)
        return {};
    std::u16string text;
    for (std::size_t at = 0; at + 1 < value->size(); at += 2) {
        const char16_t unit = static_cast<char16_t>(Word(*value, at));
        if (unit == 0)
            break;
        text += unit;
    }
    return text;
}

} // namespace VersionBlock
