#pragma once

#include <QByteArray>

// How many bytes of a file HasPictureSignature looks at.
inline constexpr qsizetype kPictureSignatureBytes = 256;

// Whether a file's first bytes (up to kPictureSignatureBytes of them) begin as a picture does:
// the formats the engine decodes, and the camera formats a photograph folder holds. The checks
// are loose, so a picture is never passed over; text, sidecar files, videos and the file
// managers' own files do not pass.
bool HasPictureSignature(const QByteArray& Head);
