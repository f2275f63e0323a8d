// Build tool: draws the program's SVG mark as a square PNG of the given size, for icon themes
// that want bitmaps beside the scalable icon.
//
// Usage: vk-render-icon SOURCE.svg SIZE OUTPUT.png

#include <cstdio>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

int main(int argc, char** argv) {
    const QGuiApplication application(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    bool sizeRead = false;
    const int size = arguments.size() == 4 ? arguments[2].toInt(&sizeRead) : 0;
    if (!sizeRead || size < 1) {
        std::fputs("Usage: vk-render-icon SOURCE.svg SIZE OUTPUT.png\n", stderr);
        return 2;
    }
    QSvgRenderer renderer(arguments[1]);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "vk-render-icon: cannot read %s\n", qPrintable(arguments[1]));
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        renderer.render(&painter);
    }
    if (!image.save(arguments[3], "PNG")) {
        std::fprintf(stderr, "vk-render-icon: cannot write %s\n", qPrintable(arguments[3]));
        return 1;
    }
    return 0;
}
