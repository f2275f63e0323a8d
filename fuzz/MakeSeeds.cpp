// make-seeds FOLDER: writes the seed corpus into FOLDER/block and FOLDER/image, with the same
// writer and image builders the tests use. The corpus is kept in the tree; run fuzz/run --seeds
// to write it again.

#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "platform/VersionBlockWriter.h"
#include "support/ExecutableFiles.h"

using namespace VersionBlock;

namespace {

bool Write(const std::string& Path, const std::vector<std::uint8_t>& Bytes) {
    std::ofstream out(Path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
    return static_cast<bool>(out);
}

TVersionResource Resource() {
    TVersionResource resource;
    resource.Fixed.FileVersionMS = 0x00000001;
    resource.Fixed.FileVersionLS = 0x0000002A;
    resource.Fixed.FileFlagsMask = 0x3F;
    resource.Fixed.FileFlags = 0x21;
    resource.Fixed.FileType = 3;
    resource.Fixed.FileSubtype = 8;
    resource.Strings = {{u"CompanyName", u"Kite"},          {u"FileVersion", u"0.1.0.42"},
                        {u"LegalCopyright", u"(C) Kite"},   {u"ProductName", u"Vellumkite"},
                        {u"Comments", u"caf\u00e9"},         {u"PrivateBuild", u""}};
    return resource;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make-seeds FOLDER\n";
        return 2;
    }
    const std::string folder = argv[1];
    const std::vector<std::uint8_t> block = WriteVersionResource(Resource());
    TVersionResource noTranslation = Resource();
    noTranslation.WithTranslation = false;
    TVersionResource lowerCase = Resource();
    lowerCase.StringTableKey = u"040904b0";
    lowerCase.Language = 0x0407;
    lowerCase.CodePage = 0x04E4;
    bool ok = true;
    ok &= Write(folder + "/block/valid.bin", block);
    ok &= Write(folder + "/block/no-translation.bin", WriteVersionResource(noTranslation));
    ok &= Write(folder + "/block/other-translation.bin", WriteVersionResource(lowerCase));
    ok &= Write(folder + "/image/pe32.exe", vk_test::MakePeImage(block));
    ok &= Write(folder + "/image/pe32plus.exe", vk_test::MakePeImage(block, true));
    ok &= Write(folder + "/image/elf64.elf",
                vk_test::MakeElfImage({{".text", {0xC3}}, {".vk_version", block}}));
    ok &= Write(folder + "/image/elf32be.elf", vk_test::MakeElfImage({{".vk_version", block}}, true));
    if (!ok)
        std::cerr << "make-seeds: cannot write into " << folder << "\n";
    return ok ? 0 : 1;
}
