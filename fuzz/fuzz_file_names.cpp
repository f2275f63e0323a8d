// libFuzzer target: file names as bytes. Any bytes decode to a name that encodes to the same
// bytes; valid UTF-8 decodes as UTF-8 does; a name's parts put together give the name.
#include <cstddef>
#include <cstdint>

#include "FuzzInputs.h"
#include "platform/FileNames.h"

using vk_fuzz::Expect;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const QByteArray bytes(reinterpret_cast<const char*>(Data), static_cast<qsizetype>(Size));
    const QString name = DecodeFileName(bytes);
    Expect(EncodeFileName(name) == bytes, "EncodeFileName(DecodeFileName(bytes)) == bytes");
    Expect(name.size() <= bytes.size(), "a name has no more units than its bytes");
    const QString utf8 = QString::fromUtf8(bytes);
    if (utf8.toUtf8() == bytes)
        Expect(name == utf8, "valid UTF-8 decodes as UTF-8");

    const QString part = FileNamePart(name);
    const QString extension = FileExtension(name);
    const QString stem = FileNameWithoutExtension(name);
    Expect(name.endsWith(part) && !part.contains(u'/'),
           "the file name is the text after the last /");
    Expect(part.contains(u'.') ? stem + u'.' + extension == part
                               : stem == part && extension.isEmpty(),
           "the name without its extension, a dot and the extension give the file name");
    return 0;
}
