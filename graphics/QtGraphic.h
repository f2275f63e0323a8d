#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include "Graphic.h"

// A picture held as a QImage, read and written by Qt's image plugin for one file format.
//
// The plugin is fixed by the class, never guessed from a name or from the content, so a file is
// only ever decoded as the format its extension registered. A file or stream the plugin cannot
// decode, or whose data ends early, leaves the graphic empty.
class TQtGraphic : public TGraphic {
public:
    // Reads the file's bytes itself; anything but a regular file (a folder, a pipe, a device)
    // gives an empty graphic rather than a read that could block.
    void LoadFromFile(const QString& FileName) override;
    // Writes a new file and renames it into place, so a failed write leaves an existing file
    // as it was. Raises Exception "Cannot write <name>: <the system's reason>" on failure, and
    // for an empty graphic.
    void SaveToFile(const QString& FileName) override;
    // Reads the stream from its position to its end.
    void LoadFromStream(QIODevice& Stream) override;
    // Appends the encoded picture; raises Exception on failure and for an empty graphic.
    void SaveToStream(QIODevice& Stream) override;

    int GetWidth() const override { return FImage.width(); }
    int GetHeight() const override { return FImage.height(); }
    bool GetEmpty() const override { return FImage.isNull(); }

    // Stretches the picture into Rect; an empty graphic draws nothing.
    void Draw(QPainter& Canvas, const QRect& Rect) override;

    void Assign(const QImage& Source) override;
    void Assign(const QClipboard& Source) override;
    // Takes any graphic that can copy itself into a QImage.
    void Assign(const TGraphic& Source) override;
    // A 24-bit copy with blue, green, red bytes per pixel (QImage::Format_BGR888); transparent
    // areas become white. An empty graphic gives a null image.
    void AssignTo(QImage& Dest) const override;
    // Hands the picture to Dest's Assign(const QImage&).
    void AssignTo(TGraphic& Dest) const override;

    void LoadFromClipboardFormat(const QClipboard& Clipboard) override;
    void SaveToClipboardFormat(QClipboard& Clipboard) const override;

    QString ClassName() const override { return FName; }

    // The picture as decoded or assigned, in its own pixel format.
    const QImage& GetImage() const { return FImage; }

protected:
    // How the plugin reads, which decides how a picture whose data ends early shows.
    enum class TReadStyle {
        Exact,  // asks for exactly the bytes the format says follow: any short read is an early end
        Chunked // reads ahead in blocks: only a read that finds nothing left is an early end
    };

    TQtGraphic(QByteArray Plugin, QString Class, TReadStyle Style, bool Alpha);

private:
    void Decode(const QByteArray& Bytes);
    QByteArray Encode(const QString& What) const;

    QByteArray FFormat; // Qt's name of the plugin
    QString FName;
    TReadStyle FReadStyle;
    bool FKeepsAlpha; // false: the format has no transparency, so it is flattened onto white
    QImage FImage;
};

// Windows bitmap files (.bmp).
class TBitmap final : public TQtGraphic {
public:
    TBitmap();
};

// Windows icon files (.ico); the first image of the file.
class TIcon final : public TQtGraphic {
public:
    TIcon();
};

// JPEG files (.jpg, .jpeg), written at the plugin's default quality.
class TJPEGImage final : public TQtGraphic {
public:
    TJPEGImage();
};
