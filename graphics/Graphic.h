#pragma once

#include <QString>

class QClipboard;
class QIODevice;
class QImage;
class QPainter;
class QRect;

// The picture machinery's abstract graphic: what every registered image class can do.
class TGraphic {
public:
    TGraphic() = default;
    TGraphic(const TGraphic&) = delete;
    TGraphic& operator=(const TGraphic&) = delete;
    virtual ~TGraphic() = default;

    virtual void LoadFromFile(const QString& FileName) = 0;
    virtual void SaveToFile(const QString& FileName) = 0;
    virtual void LoadFromStream(QIODevice& Stream) = 0;
    virtual void SaveToStream(QIODevice& Stream) = 0;

    virtual int GetWidth() const = 0;
    virtual int GetHeight() const = 0;
    virtual bool GetEmpty() const = 0;
    // Changing the size through the base class is not supported.
    virtual void SetWidth(int Value);
    virtual void SetHeight(int Value);

    virtual void Draw(QPainter& Canvas, const QRect& Rect) = 0;

    // Copies from a bitmap, from the clipboard's image, or from another graphic. The base asks a
    // graphic source to assign itself, and otherwise fails with a conversion error.
    virtual void Assign(const QImage& Source);
    virtual void Assign(const QClipboard& Source);
    virtual void Assign(const TGraphic& Source);
    virtual void AssignTo(QImage& Dest) const;
    virtual void AssignTo(TGraphic& Dest) const;

    virtual void LoadFromClipboardFormat(const QClipboard& Clipboard);
    virtual void SaveToClipboardFormat(QClipboard& Clipboard) const;

    // The class name used in conversion error texts.
    virtual QString ClassName() const = 0;
};
