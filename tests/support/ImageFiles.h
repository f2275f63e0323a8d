#pragma once

// Pictures the tests make themselves.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "support/TextFiles.h"

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

// A photograph-like picture: a plain ground, transparent or blue, with a red disc for detail.
inline QImage PhotoImage(int Width, int Height, bool Transparent = false) {
    QImage image(Width, Height, Transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.fill(Transparent ? Qt::transparent : QColor(40, 90, 160));
    QPainter painter(&image);
    painter.setBrush(QColor(200, 60, 30));
    painter.drawEllipse(QRect(Width / 4, Height / 4, Width / 2, Height / 2));
    return image;
}

inline bool WriteImage(const QString& path, int width, int height, const char* format) {
    return CornerImage(width, height).save(path, format);
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

// Gif (one frame, as an encoder wrote it) with its frame, and the blocks before it, repeated
// to Frames frames: many large frames in few bytes. Empty when Gif is not laid out so.
inline QByteArray RepeatedGifFrame(const QByteArray& Gif, int Frames) {
    const auto byte = [&](qsizetype At) { return static_cast<quint8>(Gif.at(At)); };
    const auto colourTable = [](quint8 Flags) { return Flags & 0x80 ? 3 * (2 << (Flags & 7)) : 0; };
    const auto afterSubBlocks = [&](qsizetype At) {
        while (At < Gif.size() && byte(At) != 0)
            At += byte(At) + 1;
        return At + 1;
    };
    if (Gif.size() < 13 || !Gif.startsWith("GIF8"))
        return {};
    const qsizetype first = 13 + colourTable(byte(10)); // header, screen, global colours
    qsizetype at = first;
    while (at < Gif.size() && byte(at) != 0x3B) {
        if (byte(at) == 0x21 && at + 2 < Gif.size()) // extension: label, sub-blocks
            at = afterSubBlocks(at + 2);
        else if (byte(at) == 0x2C && at + 10 < Gif.size()) // image: descriptor, colours, data
            at = afterSubBlocks(at + 10 + colourTable(byte(at + 9)) + 1);
        else
            return {};
    }
    if (at >= Gif.size())
        return {};
    return Gif.left(first) + Gif.mid(first, at - first).repeated(Frames) + ';';
}

} // namespace vk_test
