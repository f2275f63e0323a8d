#pragma once

// The metadata one engine frame carries into a JPEG: which blocks are kept, within what size.

#include <QtGlobal>

struct _Image;

// Keeps EXIF, IPTC, XMP, the colour profile and the comment, in that order of preference, while
// they fit MaxBytes together; a block that does not fit is dropped, and a colour profile that
// alone exceeds the limit is applied to the pixels (converting them to sRGB) before it is
// dropped. Blocks of any other kind are dropped. Strip drops everything but the colour profile.
// A profile that does not describe the frame's kind of pixels is dropped: convert CMYK first.
void LimitFrameMetadata(_Image* Frame, bool Strip, qsizetype MaxBytes);
