#pragma once

#include <QLabel>
#include <QString>

// A label that stands for a web link: blue underlined text and a hand cursor. Tab reaches it and
// shows a focus frame around it; a left click or Enter emits Clicked. Screen readers see a link
// whose name is its caption and whose one action is "Press".
class TLinkLabel : public QLabel {
    Q_OBJECT

public:
    explicit TLinkLabel(const QString& Caption, QWidget* Parent = nullptr);

    // Emits Clicked, as a click or Enter does.
    void Click();

signals:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;

private:
    bool FPressed = false;
};
