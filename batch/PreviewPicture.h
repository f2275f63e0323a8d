#pragma once

// A picture made small enough to show in a preview. A worker makes it, so that the window's own
// process never decodes a picture: a hostile file costs a worker, never the window and its list.

#include <QByteArray>
#include <QString>

#include "batch/ShownSize.h"

// One file to preview.
struct TPreviewRequest {
    QByteArray Source;
    QString ExtensionHint;
    // The longer side of the picture shown, 1 to kMaxPreviewSide.
    int LongSide = 300;
    // Whether a picture smaller than LongSide is enlarged to it, or shown at its own size.
    bool Enlarge = true;
};

inline constexpr int kMaxPreviewSide = 4096;

// What a worker made of a TPreviewRequest.
struct TPreviewPicture {
    // False when nothing could be read from the bytes; the rest is then empty.
    bool Decoded = false;
    // The picture's own size, upright.
    TDimensions Size;
    // Size as ShownSize scales it for the request.
    TDimensions Shown;
    // The picture at Shown, upright, in sRGB, on white: 8-bit red, green and blue, row after row.
    QByteArray Rgb;
};

// Decodes the first frame of Request's source (a JPEG at the smallest scale that still gives
// the size shown), turns it upright, converts it to sRGB, flattens it onto white and scales it
// with a Lanczos filter, so that fine detail is averaged rather than sampled. Opens no file.
TPreviewPicture MakePreviewPicture(const TPreviewRequest& Request);
