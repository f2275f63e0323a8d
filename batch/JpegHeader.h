#pragma once

#include <QByteArrayView>

#include <optional>

#include "batch/TargetSize.h"

// What a JPEG file's header declares, read from its segments without decoding anything.
struct TJpegHeader {
    // The picture's size as stored, before any turn.
    TDimensions Stored;
    // The EXIF orientation, 1 to 8; 1 when the file says nothing or something else.
    int Orientation = 1;
};

// The header of Bytes when they are a JPEG file whose segments up to its frame header are
// whole; nothing for any other file. Reads only those segments.
std::optional<TJpegHeader> ReadJpegHeader(QByteArrayView Bytes);
