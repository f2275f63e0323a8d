#pragma once

#include <QTimer>
#include <QWidget>

// The status area's copy animation: sheets fly from one folder to another while a run lasts.
class TCopyAnimation : public QWidget {
    Q_OBJECT

public:
    explicit TCopyAnimation(QWidget* Parent = nullptr);

    // Shows the widget and plays from the first frame, or stops and hides it.
    void SetPlaying(bool Playing);
    bool Playing() const { return FTimer.isActive(); }
    int Frame() const { return FFrame; }

    static constexpr int kFrameCount = 34;

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    void DrawFolder(QPainter& Painter, const QRectF& Box) const;
    void DrawSheet(QPainter& Painter, const QPointF& Centre, qreal Tilt) const;

    QTimer FTimer;
    int FFrame = 0;
};
