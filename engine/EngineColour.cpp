#include "EngineColour.h"

#include <lcms2.h>

#include "engine/ImageMagickAPI.h"

namespace {

// The sRGB profile the engine converts into; made in memory, so no file is read for it.
const QByteArray& SrgbProfile() {
    static const QByteArray profile = [] {
        QByteArray bytes;
        cmsHPROFILE handle = cmsCreate_sRGBProfile();
        if (handle == nullptr)
            return bytes;
        cmsUInt32Number size = 0;
        if (cmsSaveProfileToMem(handle, nullptr, &size) && size > 0) {
            bytes.resize(static_cast<qsizetype>(size));
            if (!cmsSaveProfileToMem(handle, bytes.data(), &size))
                bytes.clear();
        }
        cmsCloseProfile(handle);
        return bytes;
    }();
    return profile;
}

} // namespace

void FlattenFrameOntoWhite(_Image* Frame) {
    if (Frame == nullptr || Frame->matte == MagickFalse)
        return;
    Frame->background_color.red = QuantumRange;
    Frame->background_color.green = QuantumRange;
    Frame->background_color.blue = QuantumRange;
    Frame->background_color.opacity = OpaqueOpacity;
    Magick::SetImageAlphaChannel(Frame, RemoveAlphaChannel);
    Magick::SetImageAlphaChannel(Frame, DeactivateAlphaChannel);
}

QByteArray ProfileColourSpace(const _Image* Frame) {
    // The ICC header names the data colour space in bytes 16 to 19.
    constexpr size_t kSpaceOffset = 16;
    constexpr qsizetype kSpaceLength = 4;
    const StringInfo* profile = Magick::GetImageProfile(Frame, "icc");
    if (profile == nullptr || Magick::GetStringInfoLength(profile) < kSpaceOffset + kSpaceLength)
        return {};
    const auto* datum = Magick::GetStringInfoDatum(profile);
    return QByteArray(reinterpret_cast<const char*>(datum) + kSpaceOffset, kSpaceLength);
}

bool ProfileFitsPixels(const _Image* Frame) {
    const QByteArray space = ProfileColourSpace(Frame);
    switch (Frame->colorspace) {
    case CMYKColorspace:
        return space == "CMYK";
    case GRAYColorspace:
    case LinearGRAYColorspace:
        return space == "GRAY";
    default:
        return space == "RGB ";
    }
}

void ConvertFrameToSrgb(_Image* Frame) {
    const QByteArray& srgb = SrgbProfile();
    bool converted = false;
    if (!srgb.isEmpty() && ProfileFitsPixels(Frame))
        converted =
            Magick::ProfileImage(Frame, "icc", srgb.constData(), static_cast<size_t>(srgb.size()),
                                 MagickTrue) != MagickFalse;
    if (!converted)
        Magick::TransformImageColorspace(Frame, sRGBColorspace);
    // sRGB is what a viewer assumes of an untagged JPEG.
    Magick::DeleteImageProfile(Frame, "icc");
}
