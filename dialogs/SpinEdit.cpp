#include "SpinEdit.h"

#include <algorithm>
#include <limits>
#include <optional>

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>

namespace {

// Optional sign, then decimal digits only, within 32 bits.
std::optional<int> DecimalInteger(QStringView Text) {
    qsizetype i = 0;
    const bool negative = !Text.isEmpty() && Text[0] == u'-';
    if (!Text.isEmpty() && (Text[0] == u'-' || Text[0] == u'+'))
        i = 1;
    if (i == Text.size())
        return std::nullopt;
    qint64 magnitude = 0;
    for (; i < Text.size(); ++i) {
        if (Text[i] < u'0' || Text[i] > u'9')
            return std::nullopt;
        magnitude = magnitude * 10 + (Text[i].unicode() - u'0');
        if (magnitude > qint64(1) << 31)
            return std::nullopt;
    }
    const qint64 value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

} // namespace

TSpinEdit::TSpinEdit(int MinValue, int MaxValue, int Increment, QWidget* Parent)
    : QAbstractSpinBox(Parent), FMinValue(MinValue), FMaxValue(MaxValue), FIncrement(Increment) {
    // The text is interpreted here, not by the base class: it must not rewrite a text it
    // cannot read while the user is still typing.
    setKeyboardTracking(false);
    connect(this, &QAbstractSpinBox::editingFinished, this, &TSpinEdit::EditFinished);
    SetValue(MinValue);
}

int TSpinEdit::Value() const {
    const int value = DecimalInteger(text()).value_or(FMinValue);
    return std::clamp(value, FMinValue, FMaxValue);
}

void TSpinEdit::SetValue(int NewValue) {
    lineEdit()->setText(QString::number(std::clamp(NewValue, FMinValue, FMaxValue)));
}

void TSpinEdit::stepBy(int Steps) {
    SetValue(int(
        std::clamp<qint64>(qint64(Value()) + qint64(Steps) * FIncrement, FMinValue, FMaxValue)));
}

QValidator::State TSpinEdit::validate(QString& Input, int& Pos) const {
    (void)Pos;
    return std::all_of(Input.cbegin(), Input.cend(), [this](QChar C) { return Allowed(C); })
               ? QValidator::Acceptable
               : QValidator::Invalid;
}

QSize TSpinEdit::sizeHint() const {
    return QAbstractSpinBox::sizeHint() + QSize(WidestNumber(), 0);
}

QSize TSpinEdit::minimumSizeHint() const {
    return QAbstractSpinBox::minimumSizeHint() + QSize(WidestNumber(), 0);
}

QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const {
    StepEnabled enabled = StepNone;
    if (Value() < FMaxValue)
        enabled |= StepUpEnabled;
    if (Value() > FMinValue)
        enabled |= StepDownEnabled;
    return enabled;
}

void TSpinEdit::keyPressEvent(QKeyEvent* Event) {
    const QString typed = Event->text();
    const bool printable = typed.size() == 1 && typed[0].isPrint();
    if (printable && !(Event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
        !Allowed(typed[0])) {
        QApplication::beep();
        Event->accept();
        return;
    }
    QAbstractSpinBox::keyPressEvent(Event);
}

bool TSpinEdit::Allowed(QChar C) const {
    return (C >= u'0' && C <= u'9') || C == u'+' || C == u'-' ||
           QLocale().decimalPoint().contains(C);
}

// The base class measures only the texts it can produce itself, which are none here.
int TSpinEdit::WidestNumber() const {
    const QFontMetrics metrics(font());
    return std::max(metrics.horizontalAdvance(QString::number(FMinValue)),
                    metrics.horizontalAdvance(QString::number(FMaxValue)));
}

void TSpinEdit::EditFinished() {
    const QString shown = QString::number(Value());
    if (text() != shown)
        lineEdit()->setText(shown);
}
