#pragma once

// Small conversions between the program's values and the engine's records, in one place.

#include <QByteArray>

#include <algorithm>
#include <cstring>
#include <limits>

#include "engine/ImageMagickAPI.h"

// The engine's text fields hold MagickPathExtent bytes with the terminating NUL.
inline constexpr qsizetype kMaxEngineText = MagickPathExtent - 1;

// An engine count or size as an int, capped rather than wrapped.
inline int ClampToInt(size_t Value) {
    return static_cast<int>(std::min<size_t>(Value, std::numeric_limits<int>::max()));
}

// Copies Text into one of the engine's text fields, cut to what the field holds.
inline void CopyEngineText(char* Field, const QByteArray& Text) {
    const auto length = std::min<qsizetype>(Text.size(), kMaxEngineText);
    std::memcpy(Field, Text.constData(), static_cast<size_t>(length));
    Field[length] = '\0';
}

// Names "source.<extension>" in Info, so that the extension guides the decoder for formats
// without a signature. Only plain extensions (letters and digits) are given: the engine reads
// frame, size and format syntax in names.
inline void SetDecoderExtensionHint(ImageInfo* Info, const QByteArray& Extension) {
    const bool plain =
        !Extension.isEmpty() && Extension.size() <= 16 &&
        std::all_of(Extension.begin(), Extension.end(), [](char C) {
            return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9');
        });
    CopyEngineText(Info->filename, plain ? "source." + Extension : QByteArray());
}
