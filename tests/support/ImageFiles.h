#pragma once

// Pictures the tests make themselves.

#include <QColor>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace vk_test {

// A picture with a distinct colour in each corner, so orientation and channel order show.
inline QImage CornerImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::gray);
    image.setPixelColor(0, 0, Qt::red);
    image.setPixelColor(width - 1, 0, Qt::green);
    image.setPixelColor(0, height - 1, Qt::blue);
    image.setPixelColor(width - 1, height - 1, Qt::white);
    return image;
}

inline bool WriteImage(const QString& path, int width, int height, const char* format) {
    return CornerImage(width, height).save(path, format);
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A GIF of `frames` frames, made by the engine's own command-line tool.
inline bool WriteAnimatedGif(const QString& path, int frames, int width, int height) {
    QStringList arguments{QStringLiteral("-size"), QStringLiteral("%1x%2").arg(width).arg(height)};
    const char* colours[] = {"red", "green", "blue", "yellow", "cyan"};
    for (int i = 0; i < frames; ++i)
        arguments << QStringLiteral("xc:%1").arg(QLatin1String(colours[i % 5]));
    arguments << QStringLiteral("gif:") + path;
    return QProcess::execute(QStringLiteral("convert"), arguments) == 0;
}

} // namespace vk_test
