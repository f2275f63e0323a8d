#include "Bevel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>

namespace {

QAccessibleInterface* BevelAccessibleFactory(const QString& ClassName, QObject* Object) {
    if (ClassName == QLatin1String("TBevel") && Object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(Object), QAccessible::Separator);
    return nullptr;
}

} // namespace

TBevel::TBevel(QWidget* Parent) : QFrame(Parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(BevelAccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;
    setAccessibleName(QStringLiteral("Separator"));
}

void TBevel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int bottom = height() - 1;
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(0, bottom - 1, width() - 1, bottom - 1);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(0, bottom, width() - 1, bottom);
}
