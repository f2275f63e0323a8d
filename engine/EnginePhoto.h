#pragma once

// One photograph on its way from a file's bytes to JPEG bytes: decoding, turning upright, colour
// and metadata made fit for JPEG, scaling and encoding. Works on bytes only and opens no file.

#include <memory>
#include <optional>

#include <QByteArray>
#include <QSize>
#include <QString>

struct _Image;

// The first frame of a decoded file, owned and released on every path.
class TEnginePhoto {
public:
    // Decodes the first frame of a file's content. ExtensionHint ("png", may be empty; ignored
    // unless it is letters and digits) guides formats without a signature. DecodeHint lets a JPEG
    // be decoded at a reduced scale that still gives at least that many pixels. Empty when nothing
    // decodes.
    static TEnginePhoto Decode(const QByteArray& Bytes, const QByteArray& ExtensionHint,
                               std::optional<QSize> DecodeHint);

    bool IsEmpty() const { return !FFrame; }
    // The pixels held now.
    QSize Size() const;
    // The size the file declares, which a reduced decode keeps; turned with the pixels by
    // TurnUpright.
    QSize StoredSize() const;
    bool DecodedAsJpeg() const { return FJpeg; }
    // The size the file declares, whatever scale it was read at: only the JPEG decoder reads at
    // another.
    QSize DeclaredSize() const { return FJpeg ? StoredSize() : Size(); }
    // The decoder's words when the file held less than it declared (a truncated JPEG still
    // decodes from what it holds); empty otherwise.
    const QString& PartialReadReason() const { return FPartialReason; }
    // Why nothing decoded (empty otherwise): "no decoder for this format" when the engine has
    // none, "this format is not allowed" when the fence refuses it, else the decoder's words.
    const QString& DecodeFailure() const { return FFailure; }
    // The EXIF orientation, 1 to 8; 1 when the file says nothing or a number out of that range.
    int Orientation() const;

    // Turns the pixels upright and records orientation 1, in the EXIF block too, so that no
    // viewer turns the output again. False (and empty) when the engine fails.
    bool TurnUpright();
    // CMYK (YCCK arrives as CMYK) becomes sRGB, through its own profile when it has one, and
    // YCbCr (as HEIF and AVIF arrive) plain sRGB. Grey, linear grey included, is written with its
    // samples as stored, and deeper samples as 8 bits, by the encoder itself.
    void ConvertToSrgb();
    // Composes the picture onto white and drops its alpha; nothing when it has none.
    void FlattenOntoWhite();
    // See LimitFrameMetadata (engine/EngineMetadata.h).
    void LimitMetadata(bool Strip, qsizetype MaxBytes = 64 * 1024);
    // Scales to exactly Target: Lanczos (blur 1.0) when High, plain sampling otherwise. False
    // (and empty) when the engine fails or Target holds no pixels.
    bool Resize(QSize Target, bool High);
    // The picture as a file's bytes, written by the engine's Coder ("JPEG", "PNG", "WEBP", ...).
    // Quality 0 is the lowest quality, a negative one the encoder's default: give a negative one
    // to an encoder without a quality of its own. Empty, with Error filled, when the engine
    // refuses.
    QByteArray Encode(const char* Coder, int Quality, QString& Error) const;
    // The pixels as 8-bit red, green and blue, row after row without padding; empty when there
    // are none or the engine fails.
    QByteArray RgbPixels() const;

private:
    struct TImageRelease {
        void operator()(_Image* Released) const;
    };
    std::unique_ptr<_Image, TImageRelease> FFrame;
    bool FJpeg = false;
    QString FPartialReason;
    QString FFailure;
};
