#pragma once

#include <QByteArray>
#include <QString>

// File names are bytes on this system, and not every name is valid UTF-8 (files from old
// archives and network shares). A name becomes text losslessly: valid UTF-8 decodes as usual,
// and every other byte becomes one of the code points U+DC80 to U+DCFF, which valid UTF-8 never
// yields, so encoding gives the same bytes back. Every path the program takes from the system
// or the user goes through these two, never through a lossy conversion.
QString DecodeFileName(const QByteArray& Bytes);
QByteArray EncodeFileName(const QString& Name);

// The last component of a path: the text after its last "/".
QString FileNamePart(const QString& Path);
// The extension of a path's file name without its dot: the text after the name's last "." (a dot
// in a folder's name starts none); empty when the name has no dot.
QString FileExtension(const QString& Path);
// A path's file name without its extension and its dot.
QString FileNameWithoutExtension(const QString& Path);
