#pragma once

#include "graphics/Graphic.h"

#include <QByteArray>

#include <cstdint>

struct _Image;
struct _ImageInfo;

// How Resize changes the size of the first frame.
enum TResizeMethod : std::uint8_t {
    rmMagnify = 0,
    rmMinify = 1,
    rmResize = 2,
    rmSample = 3,
    rmScale = 4,
    rmThumbnail = 5,
};

// Filter values of the old engine generation, as callers pass them to Resize; mapped to this
// engine's own enumeration before the call.
enum TMagickFilter : std::uint32_t {
    mfLanczos = 13,
};

// True when the engine loaded at start-up, set once by RegisterMagickFormats; in a program
// whose workers decode, while a TEngineCheck found the library good.
extern bool MagickLoaded;

// Gives the start-up's reference to the engine back and frees the library, whatever references
// are still open; MagickLoaded becomes false.
void ShutDownEngine();

// One engine image list (all frames of one picture) with its read and write options.
class TMagickImage : public TGraphic {
public:
    TMagickImage();
    ~TMagickImage() override;

    void Clear();
    static void CheckLibraryLoaded();
    void SetQuality(int Value);
    void SetFormat(const QString& Name);
    // What the next write will use; "" and 0 when the engine chooses.
    QString GetFormat() const;
    int GetQuality() const;

    void LoadFromFile(const QString& FileName) override;
    void SaveToFile(const QString& FileName) override;
    void LoadFromStream(QIODevice& Stream) override;
    void SaveToStream(QIODevice& Stream) override;

    int GetWidth() const override;
    int GetHeight() const override;
    bool GetEmpty() const override;

    void Draw(QPainter& Canvas, const QRect& Rect) override;

    using TGraphic::Assign;
    using TGraphic::AssignTo;
    void Assign(const QImage& Source) override;
    void Assign(const QClipboard& Source) override;
    void AssignTo(QImage& Dest) const override;
    void AssignTo(TGraphic& Dest) const override;
    void LoadFromClipboardFormat(const QClipboard& Clipboard) override;
    void SaveToClipboardFormat(QClipboard& Clipboard) const override;

    QString ClassName() const override { return QStringLiteral("TMagickImage"); }

    int GetFrameCount() const;
    _Image* GetFrame(int Index) const;

    void Resize(std::uint32_t Columns, std::uint32_t Rows, TResizeMethod Method,
                std::uint32_t Filter, double Blur);
    void Blur(double Radius, double Sigma);
    void Despeckle();
    void Edge(double Radius);

private:
    _Image* Decode(QIODevice& Stream, std::uint32_t Count, const QByteArray& ExtensionHint) const;
    bool EncodeCurrentFrame(QIODevice& Stream, const QByteArray& FormatFromName);
    void ReplaceCurrentFrame(_Image* New);
    void ReleaseImages();
    _Image* CurrentFrame() const { return GetFrame(FrameIndex); }

    std::int32_t FrameIndex = 0;
    _Image* Images = nullptr;
    _ImageInfo* ImageInfo = nullptr;
};
