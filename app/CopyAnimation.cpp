#include "CopyAnimation.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kFrameMilliseconds = 60;
constexpr QSize kFolderSize(56, 40);
// The narrowest width that shows both folders at full size with room between them.
constexpr int kFullWidth = 2 * (8 + kFolderSize.width()) + 40;

} // namespace

TCopyAnimation::TCopyAnimation(QWidget* Parent) : QWidget(Parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    FTimer.setInterval(kFrameMilliseconds);
    connect(&FTimer, &QTimer::timeout, this, [this] {
        FFrame = (FFrame + 1) % kFrameCount;
        update();
    });
    hide();
}

void TCopyAnimation::SetPlaying(bool Playing) {
    FFrame = 0;
    setVisible(Playing);
    if (Playing) {
        FTimer.start();
    } else {
        FTimer.stop();
    }
    update();
}

void TCopyAnimation::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A narrow status area gets the same flight drawn smaller.
    const qreal scale = std::min(1.0, width() / qreal(kFullWidth));
    if (scale <= 0) {
        return;
    }
    painter.scale(scale, scale);
    const qreal span = width() / scale;
    const qreal top = (height() / scale - kFolderSize.height()) / 2.0 + 6;
    const QRectF from(8, top, kFolderSize.width(), kFolderSize.height());
    const QRectF to(span - 8 - kFolderSize.width(), top, kFolderSize.width(), kFolderSize.height());
    DrawFolder(painter, from);
    DrawFolder(painter, to);

    // Two sheets on their way, half a flight apart, each along an arc from folder to folder.
    for (const int offset : {0, kFrameCount / 2}) {
        const qreal t = ((FFrame + offset) % kFrameCount) / qreal(kFrameCount - 1);
        const qreal x = from.center().x() + (to.center().x() - from.center().x()) * t;
        const qreal lift = std::sin(t * M_PI) * (top - 4);
        DrawSheet(painter, QPointF(x, from.top() + 6 - lift), (t - 0.5) * 40);
    }
}

void TCopyAnimation::DrawFolder(QPainter& Painter, const QRectF& Box) const {
    const QColor edge(154, 110, 20);
    Painter.setPen(QPen(edge, 1.2));
    Painter.setBrush(QColor(232, 183, 74));
    QPainterPath back;
    back.moveTo(Box.left(), Box.top());
    back.lineTo(Box.left() + Box.width() * 0.4, Box.top());
    back.lineTo(Box.left() + Box.width() * 0.5, Box.top() + 6);
    back.lineTo(Box.right(), Box.top() + 6);
    back.lineTo(Box.right(), Box.bottom());
    back.lineTo(Box.left(), Box.bottom());
    back.closeSubpath();
    Painter.drawPath(back);
    Painter.setBrush(QColor(244, 205, 108));
    Painter.drawRect(QRectF(Box.left(), Box.top() + 14, Box.width(), Box.height() - 14));
}

void TCopyAnimation::DrawSheet(QPainter& Painter, const QPointF& Centre, qreal Tilt) const {
    Painter.save();
    Painter.translate(Centre);
    Painter.rotate(Tilt);
    Painter.setPen(QPen(QColor(90, 101, 112), 1));
    Painter.setBrush(Qt::white);
    Painter.drawRect(QRectF(-8, -10, 16, 20));
    Painter.setPen(QPen(QColor(154, 165, 174), 1));
    for (const qreal y : {-5.0, -1.0, 3.0}) {
        Painter.drawLine(QPointF(-5, y), QPointF(5, y));
    }
    Painter.restore();
}
