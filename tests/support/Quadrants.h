#pragma once

// A picture of four coloured quadrants, and the check that a result shows them where they
// belong: its orientation and its colours survive lossy formats, turns and scaling.

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QImageReader>

#include <cstdlib>

namespace vk_test {

// Moderate enough to survive a trip through CMYK or chroma subsampling.
inline const QColor kTopLeft(200, 60, 60);
inline const QColor kTopRight(60, 160, 60);
inline const QColor kBottomLeft(60, 80, 180);
inline const QColor kBottomRight(220, 200, 80);

inline QImage Quadrants(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    const int halfWidth = width / 2;
    const int halfHeight = height / 2;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y,
                                y < halfHeight ? (x < halfWidth ? kTopLeft : kTopRight)
                                               : (x < halfWidth ? kBottomLeft : kBottomRight));
    return image;
}

inline bool Near(const QColor& actual, const QColor& expected, int tolerance) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

inline QString Describe(const QColor& colour) {
    return QStringLiteral("(%1, %2, %3)").arg(colour.red()).arg(colour.green()).arg(colour.blue());
}

// Whether each corner (a little inside, away from the edge's ringing) shows its quadrant.
inline bool HasQuadrants(const QImage& image, int tolerance) {
    const int right = image.width() - 3;
    const int bottom = image.height() - 3;
    const QColor corners[] = {image.pixelColor(2, 2), image.pixelColor(right, 2),
                              image.pixelColor(2, bottom), image.pixelColor(right, bottom)};
    const QColor expected[] = {kTopLeft, kTopRight, kBottomLeft, kBottomRight};
    for (int i = 0; i < 4; ++i)
        if (!Near(corners[i], expected[i], tolerance)) {
            qWarning("corner %d is %s", i, qPrintable(Describe(corners[i])));
            return false;
        }
    return true;
}

// A JPEG as an upright viewer shows it: turned by its EXIF orientation, with the colour space it
// declares.
inline QImage Viewed(const QByteArray& Jpeg) {
    QBuffer buffer;
    buffer.setData(Jpeg);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoTransform(true);
    return reader.read();
}

} // namespace vk_test
