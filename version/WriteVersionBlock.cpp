// vk-version-block: writes the C++ source that carries an executable's version block.
//
//   vk-version-block OUTPUT VERSION BUILD DEBUG DESCRIPTION INTERNAL-NAME
//
// VERSION is the project's "major.minor.patch", BUILD the build number, DEBUG 1 for a debug
// build. FileVersion is "VERSION.BUILD" and ProductVersion VERSION; the fixed information says
// an application, with the debug flag when DEBUG is 1. The source defines one array in the ELF
// section ".vk_version", marked used so that neither the compiler nor the linker drops it;
// ReadFileVersionInfo finds it there.

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "version/ExecutableImage.h"
#include "version/VersionBlockWriter.h"

namespace {

std::u16string Wide(const std::string& Text) {
    return std::u16string(Text.begin(), Text.end());
}

// "1.2.3" into its three numbers; each 0..65535.
bool ParseVersion(const std::string& Text, unsigned Parts[3]) {
    std::istringstream in(Text);
    char dot1 = 0, dot2 = 0;
    in >> Parts[0] >> dot1 >> Parts[1] >> dot2 >> Parts[2];
    return in && dot1 == '.' && dot2 == '.' && Parts[0] < 65536 && Parts[1] < 65536 &&
           Parts[2] < 65536;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::cerr
            << "usage: vk-version-block OUTPUT VERSION BUILD DEBUG DESCRIPTION INTERNAL-NAME\n";
        return 2;
    }
    const std::string output = argv[1], version = argv[2], build = argv[3];
    const bool debug = std::string(argv[4]) == "1";
    const std::string description = argv[5], internalName = argv[6];
    unsigned parts[3] = {};
    if (!ParseVersion(version, parts) || build.empty() ||
        build.find_first_not_of("0123456789") != std::string::npos || build.size() > 9) {
        std::cerr << "vk-version-block: bad version " << version << " or build " << build << "\n";
        return 2;
    }
    const unsigned long buildNumber = std::strtoul(build.c_str(), nullptr, 10);

    VersionBlock::TVersionResource resource;
    resource.Fixed.FileVersionMS = (parts[0] << 16) | parts[1];
    resource.Fixed.FileVersionLS = (parts[2] << 16) | static_cast<unsigned>(buildNumber & 0xFFFF);
    resource.Fixed.ProductVersionMS = resource.Fixed.FileVersionMS;
    resource.Fixed.ProductVersionLS = parts[2] << 16;
    resource.Fixed.FileFlagsMask = 0x3F;
    resource.Fixed.FileFlags = debug ? 0x01 : 0x00;
    resource.Fixed.FileType = 1; // application
    resource.Language = 0x0409;
    resource.CodePage = 1200; // UTF-16
    const std::string fileVersion = version + "." + build;
    resource.Strings = {
        {u"CompanyName", u"The Vellumkite authors"},
        {u"FileDescription", Wide(description)},
        {u"FileVersion", Wide(fileVersion)},
        {u"InternalName", Wide(internalName)},
        {u"LegalCopyright", u"Copyright (C) 2026 The Vellumkite authors"},
        {u"OriginalFilename", Wide(internalName)},
        {u"ProductName", u"Vellumkite"},
        {u"ProductVersion", Wide(version)},
    };
    const std::vector<std::uint8_t> block = VersionBlock::WriteVersionResource(resource);
    if (block.size() > 0xFFFF) {
        std::cerr << "vk-version-block: block too large\n";
        return 1;
    }

    std::ostringstream source;
    source << "// Written by vk-version-block: the VS_VERSIONINFO block of " << internalName
           << ", FileVersion " << fileVersion << ".\n"
           << "extern const unsigned char VkVersionBlock[" << block.size() << "];\n"
           << "[[gnu::used, gnu::section(\"" << ExecutableImage::kVersionSectionName
           << "\")]] alignas(4) const unsigned char VkVersionBlock[" << block.size() << "] = {";
    for (std::size_t i = 0; i < block.size(); ++i)
        source << (i % 16 == 0 ? "\n    " : " ") << static_cast<unsigned>(block[i]) << ",";
    source << "\n};\n";

    // Rewritten only when it changes, so a rerun does not relink for nothing.
    std::ifstream old(output, std::ios::binary);
    std::ostringstream oldText;
    oldText << old.rdbuf();
    if (old && oldText.str() == source.str())
        return 0;
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out << source.str();
    out.close();
    if (!out) {
        std::cerr << "vk-version-block: cannot write " << output << "\n";
        return 1;
    }
    return 0;
}
