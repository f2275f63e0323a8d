#include "VersionBlockWriter.h"

namespace VersionBlock {
namespace {

void PutWord(std::vector<std::uint8_t>& Bytes, std::uint16_t Value) {
    Bytes.push_back(static_cast<std::uint8_t>(Value & 0xFF));
    Bytes.push_back(static_cast<std::uint8_t>(Value >> 8));
}

void PutDWord(std::vector<std::uint8_t>& Bytes, std::uint32_t Value) {
    PutWord(Bytes, static_cast<std::uint16_t>(Value & 0xFFFF));
    PutWord(Bytes, static_cast<std::uint16_t>(Value >> 16));
}

void Pad4(std::vector<std::uint8_t>& Bytes) {
    while (Bytes.size() % 4 != 0)
        Bytes.push_back(0);
}

} // namespace

std::vector<std::uint8_t> WriteNode(const TNodeToWrite& Node) {
    std::vector<std::uint8_t> bytes;
    PutWord(bytes, 0); // wLength, set at the end
    const std::size_t units = Node.Type == 1 ? Node.Value.size() / 2 : Node.Value.size();
    PutWord(bytes, Node.ValueLength.value_or(static_cast<std::uint16_t>(units)));
    PutWord(bytes, Node.Type);
    for (const char16_t unit : Node.Key)
        PutWord(bytes, static_cast<std::uint16_t>(unit));
    PutWord(bytes, 0);
    Pad4(bytes);
    bytes.insert(bytes.end(), Node.Value.begin(), Node.Value.end());
    for (const TNodeToWrite& child : Node.Children) {
        Pad4(bytes);
        const std::vector<std::uint8_t> childBytes = WriteNode(child);
        bytes.insert(bytes.end(), childBytes.begin(), childBytes.end());
    }
    bytes[0] = static_cast<std::uint8_t>(bytes.size() & 0xFF);
    bytes[1] = static_cast<std::uint8_t>((bytes.size() >> 8) & 0xFF);
    return bytes;
}

namespace {

// A text value node (wType 1) holding Text and its NUL.
TNodeToWrite TextNode(std::u16string Key, std::u16string_view Text) {
    TNodeToWrite node;
    node.Key = std::move(Key);
    node.Type = 1;
    for (const char16_t unit : Text)
        PutWord(node.Value, static_cast<std::uint16_t>(unit));
    PutWord(node.Value, 0);
    return node;
}

// The bytes of a fixed file information.
std::vector<std::uint8_t> FixedFileInfoBytes(const TFixedFileInfo& Fixed) {
    std::vector<std::uint8_t> bytes;
    for (const std::uint32_t value :
         {Fixed.Signature, Fixed.StrucVersion, Fixed.FileVersionMS, Fixed.FileVersionLS,
          Fixed.ProductVersionMS, Fixed.ProductVersionLS, Fixed.FileFlagsMask, Fixed.FileFlags,
          Fixed.FileOS, Fixed.FileType, Fixed.FileSubtype, Fixed.FileDateMS, Fixed.FileDateLS})
        PutDWord(bytes, value);
    return bytes;
}

} // namespace

TNodeToWrite ResourceNode(const TVersionResource& Resource) {
    TNodeToWrite root;
    root.Key = u"VS_VERSION_INFO";
    root.Value = FixedFileInfoBytes(Resource.Fixed);

    TNodeToWrite table;
    table.Type = 1;
    table.Key = Resource.StringTableKey;
    if (table.Key.empty()) {
        const std::u16string path =
            StringPath(static_cast<std::uint32_t>(Resource.Language) |
                           (static_cast<std::uint32_t>(Resource.CodePage) << 16),
                       u"");
        table.Key = path.substr(path.size() - 9, 8); // "\StringFileInfo\XXXXXXXX\"
    }
    for (const auto& [key, text] : Resource.Strings)
        table.Children.push_back(TextNode(key, text));
    TNodeToWrite stringFileInfo;
    stringFileInfo.Type = 1;
    stringFileInfo.Key = u"StringFileInfo";
    stringFileInfo.Children.push_back(std::move(table));
    root.Children.push_back(std::move(stringFileInfo));

    if (Resource.WithTranslation) {
        TNodeToWrite translation;
        translation.Key = u"Translation";
        PutWord(translation.Value, Resource.Language);
        PutWord(translation.Value, Resource.CodePage);
        TNodeToWrite varFileInfo;
        varFileInfo.Type = 1;
        varFileInfo.Key = u"VarFileInfo";
        varFileInfo.Children.push_back(std::move(translation));
        root.Children.push_back(std::move(varFileInfo));
    }
    return root;
}

std::vector<std::uint8_t> WriteVersionResource(const TVersionResource& Resource) {
    return WriteNode(ResourceNode(Resource));
}

} // namespace VersionBlock
