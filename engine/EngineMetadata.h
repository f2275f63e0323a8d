#pragma once

// The metadata one engine frame carries into a JPEG: which blocks are kept, within what size.

#include <QtGlobal>

struct _Image;

// Keeps EXIF, IPTC, XMP, the colour profile and the comment, in that order of preference, while
// they fit MaxBytes together; a block that does not fit is dropped, and a colour profile that
// alone exceeds the limit is applied to the pixels (converting them to sRGB) before it is
// dropped. Blocks of any other kind are dropped. Strip drops everything but the colour profile.
// A CMYK profile is never kept: the frame must already be RGB or grey.
void LimitFrameMetadata(_Image* Frame, bool Strip, qsizetype MaxBytes);
