#pragma once

#include <QFrame>

// A separator line drawn along the bottom edge of its box, as a lowered bevel is.
class TBevel : public QFrame {
    Q_OBJECT

public:
    explicit TBevel(QWidget* Parent = nullptr);

protected:
    void paintEvent(QPaintEvent* Event) override;
};
