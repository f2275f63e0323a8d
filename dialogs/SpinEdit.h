#pragma once

#include <QAbstractSpinBox>

// An integer edit with up and down buttons whose text is what counts: any mix of digits, signs
// and the locale's decimal separator may stand in it while the user types; it is read as a
// decimal integer, and a text that is not one reads as the minimum. Steps and the end of an edit
// (focus lost, Enter) bring the value into the range.
class TSpinEdit : public QAbstractSpinBox {
    Q_OBJECT

public:
    TSpinEdit(int MinValue, int MaxValue, int Increment, QWidget* Parent = nullptr);

    int MinValue() const { return FMinValue; }
    int MaxValue() const { return FMaxValue; }
    int Increment() const { return FIncrement; }

    // The text read as a decimal integer and clamped into the range; the minimum when the text
    // is not a decimal integer.
    int Value() const;
    // Shows NewValue clamped into the range.
    void SetValue(int NewValue);

    void stepBy(int Steps) override;
    QValidator::State validate(QString& Input, int& Pos) const override;
    // Wide enough for the longest number of the range.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    StepEnabled stepEnabled() const override;
    void keyPressEvent(QKeyEvent* Event) override;

private:
    bool Allowed(QChar C) const;
    int WidestNumber() const;
    // Rewrites the text as the value it stands for once an edit ends.
    void EditFinished();

    int FMinValue;
    int FMaxValue;
    int FIncrement;
};
