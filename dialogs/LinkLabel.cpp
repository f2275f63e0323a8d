#include "LinkLabel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace {

// What a screen reader and a desktop test tool see of a link label.
class TLinkAccessible : public QAccessibleWidget {
public:
    explicit TLinkAccessible(TLinkLabel* Link) : QAccessibleWidget(Link, QAccessible::Link) {}

    QString text(QAccessible::Text Kind) const override {
        if (Kind == QAccessible::Name && widget()->accessibleName().isEmpty())
            return Link()->text();
        return QAccessibleWidget::text(Kind);
    }

    QAccessible::State state() const override {
        QAccessible::State linked = QAccessibleWidget::state();
        linked.linked = true;
        return linked;
    }

    QStringList actionNames() const override {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& Action) override {
        if (Action == pressAction())
            Link()->Click();
        else
            QAccessibleWidget::doAction(Action);
    }

private:
    TLinkLabel* Link() const { return static_cast<TLinkLabel*>(widget()); }
};

QAccessibleInterface* LinkAccessibleFactory(const QString& ClassName, QObject* Object) {
    if (ClassName == QLatin1String("TLinkLabel") && Object->isWidgetType())
        return new TLinkAccessible(static_cast<TLinkLabel*>(Object));
    return nullptr;
}

bool IsEnter(const QKeyEvent* Event) {
    return (Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter) &&
           (Event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

} // namespace

TLinkLabel::TLinkLabel(const QString& Caption, QWidget* Parent) : QLabel(Caption, Parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(LinkAccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;

    setTextFormat(Qt::PlainText);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    // Room for the focus frame on every side of the text.
    setContentsMargins(1, 1, 1, 1);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    QPalette blue = palette();
    blue.setColor(QPalette::WindowText, blue.color(QPalette::Link));
    setPalette(blue);
}

void TLinkLabel::Click() {
    emit Clicked();
}

void TLinkLabel::mousePressEvent(QMouseEvent* Event) {
    FPressed = Event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(Event);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* Event) {
    const bool click = FPressed && Event->button() == Qt::LeftButton &&
                       rect().contains(Event->position().toPoint());
    FPressed = false;
    QLabel::mouseReleaseEvent(Event);
    if (click)
        Click();
}

void TLinkLabel::keyPressEvent(QKeyEvent* Event) {
    // Taken here, so that Enter on a link opens it instead of pressing the default button.
    if (IsEnter(Event)) {
        Event->accept();
        Click();
        return;
    }
    QLabel::keyPressEvent(Event);
}

void TLinkLabel::paintEvent(QPaintEvent* Event) {
    QLabel::paintEvent(Event);
    if (!hasFocus())
        return;
    QPainter painter(this);
    QStyleOptionFocusRect frame;
    frame.initFrom(this);
    frame.backgroundColor = palette().color(backgroundRole());
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, this);
}
