#include "EngineMetadata.h"

#include <cstring>
#include <vector>

#include <QByteArray>

#include "engine/EngineColour.h"
#include "engine/ImageMagickAPI.h"

namespace {

// What the JPEG encoder adds around a block's bytes in each segment it writes (marker, length
// and the block's own signature), rounded up; a segment holds at most this many bytes.
constexpr qsizetype kSegmentOverhead = 40;
constexpr qsizetype kSegmentPayload = 65'500;

qsizetype WrittenSize(qsizetype Bytes) {
    const qsizetype segments = (Bytes + kSegmentPayload - 1) / kSegmentPayload;
    return Bytes + segments * kSegmentOverhead;
}

qsizetype ProfileSize(const _Image* Frame, const char* Name) {
    const StringInfo* profile = Magick::GetImageProfile(Frame, Name);
    return profile != nullptr ? static_cast<qsizetype>(Magick::GetStringInfoLength(profile)) : 0;
}

std::vector<QByteArray> ProfileNames(const _Image* Frame) {
    std::vector<QByteArray> names;
    Magick::ResetImageProfileIterator(Frame);
    for (const char* name = Magick::GetNextImageProfile(Frame); name != nullptr;
         name = Magick::GetNextImageProfile(Frame))
        names.emplace_back(QByteArray(name).toLower());
    return names;
}

bool KeptKind(const QByteArray& Name, bool Strip, bool HasPhotoshopBlock) {
    if (Name == "icc")
        return true;
    if (Strip)
        return false;
    return Name == "exif" || Name == "xmp" || Name == "8bim" ||
           (Name == "iptc" && !HasPhotoshopBlock);
}

// The colour profile comes first: without it the colours are wrong, not just less described.
void LimitColourProfile(_Image* Frame, qsizetype& Budget) {
    const qsizetype size = ProfileSize(Frame, "icc");
    if (size == 0)
        return;
    const QByteArray space = ProfileColourSpace(Frame);
    if (space != "RGB " && space != "GRAY") {
        Magick::DeleteImageProfile(Frame, "icc");
        return;
    }
    if (WrittenSize(size) > Budget) {
        ConvertFrameToSrgb(Frame);
        return;
    }
    Budget -= WrittenSize(size);
}

void KeepIfItFits(_Image* Frame, const char* Name, qsizetype& Budget) {
    const qsizetype size = ProfileSize(Frame, Name);
    if (size == 0)
        return;
    if (WrittenSize(size) > Budget)
        Magick::DeleteImageProfile(Frame, Name);
    else
        Budget -= WrittenSize(size);
}

void KeepCommentIfItFits(_Image* Frame, qsizetype& Budget) {
    const char* comment = Magick::GetImageProperty(Frame, "comment");
    if (comment == nullptr)
        return;
    const auto size = static_cast<qsizetype>(std::strlen(comment));
    if (WrittenSize(size) > Budget)
        Magick::DeleteImageProperty(Frame, "comment");
    else
        Budget -= WrittenSize(size);
}

} // namespace

void LimitFrameMetadata(_Image* Frame, bool Strip, qsizetype MaxBytes) {
    if (Frame == nullptr)
        return;
    // IPTC arrives twice from a JPEG: as the Photoshop block and as the IPTC data inside it. The
    // encoder writes only the first it meets, the Photoshop block.
    const bool hasPhotoshopBlock = ProfileSize(Frame, "8bim") > 0;
    for (const QByteArray& name : ProfileNames(Frame))
        if (!KeptKind(name, Strip, hasPhotoshopBlock))
            Magick::DeleteImageProfile(Frame, name.constData());
    if (Strip)
        Magick::DeleteImageProperty(Frame, "comment");

    qsizetype budget = MaxBytes;
    LimitColourProfile(Frame, budget);
    for (const char* name : {"exif", "iptc", "8bim", "xmp"})
        KeepIfItFits(Frame, name, budget);
    KeepCommentIfItFits(Frame, budget);
}
