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
// Kept free for the segments the encoder writes of its own accord (JFIF, Adobe).
constexpr qsizetype kEncoderSegments = 64;

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

// The blocks a JPEG keeps. This engine holds IPTC twice: inside the Photoshop block ("8bim") and
// on its own ("iptc"), kept in step: deleting "iptc" also takes it out of the Photoshop block.
bool KeptKind(const QByteArray& Name, bool Strip) {
    if (Name == "icc")
        return true;
    return !Strip && (Name == "exif" || Name == "xmp" || Name == "8bim" || Name == "iptc");
}

// The colour profile comes first: without it the colours are wrong, not just less described.
void LimitColourProfile(_Image* Frame, qsizetype& Budget) {
    const qsizetype size = ProfileSize(Frame, "icc");
    if (size == 0)
        return;
    if (!ProfileFitsPixels(Frame)) {
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

// The encoder writes the Photoshop block when there is one and IPTC alone otherwise, so the two
// count once; when the Photoshop block is too large, IPTC alone may still fit.
void KeepIptcIfItFits(_Image* Frame, qsizetype& Budget) {
    const qsizetype photoshop = ProfileSize(Frame, "8bim");
    if (photoshop > 0 && WrittenSize(photoshop) <= Budget) {
        Budget -= WrittenSize(photoshop);
        return;
    }
    if (photoshop > 0)
        Magick::DeleteImageProfile(Frame, "8bim");
    KeepIfItFits(Frame, "iptc", Budget);
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
    for (const QByteArray& name : ProfileNames(Frame))
        if (!KeptKind(name, Strip))
            Magick::DeleteImageProfile(Frame, name.constData());
    if (Strip)
        Magick::DeleteImageProperty(Frame, "comment");

    qsizetype budget = MaxBytes - kEncoderSegments;
    LimitColourProfile(Frame, budget);
    KeepIfItFits(Frame, "exif", budget);
    KeepIptcIfItFits(Frame, budget);
    KeepIfItFits(Frame, "xmp", budget);
    KeepCommentIfItFits(Frame, budget);
}
