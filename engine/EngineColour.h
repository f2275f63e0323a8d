#pragma once

// Colour work on one engine frame before it is written as a JPEG, which holds neither alpha nor,
// for an ordinary viewer, anything but RGB or grey.

#include <QByteArray>

struct _Image;

// Composes the frame onto white and drops its alpha channel; nothing when it has none.
void FlattenFrameOntoWhite(_Image* Frame);

// The colour space an embedded ICC profile declares ("RGB ", "CMYK", "GRAY"); empty when the
// frame holds no profile or one too short to say.
QByteArray ProfileColourSpace(const _Image* Frame);

// Whether the embedded profile describes the kind of pixels the frame holds (CMYK, grey, RGB).
bool ProfileFitsPixels(const _Image* Frame);

// Converts the frame to sRGB through its embedded profile when it has one that fits its pixels,
// by plain conversion otherwise, and drops the profile: the picture is then plain sRGB.
void ConvertFrameToSrgb(_Image* Frame);
