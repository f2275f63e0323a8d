#include "StatusArea.h"

#include <algorithm>
#include <initializer_list>

#include <QFontMetrics>

namespace {

constexpr QRect kAnimateDesign(280, 8, 272, 60);
constexpr QRect kCancelDesign(580, 28, 75, 25);
// Between Cancel and the group's right edge, and between a text and Cancel beside it.
constexpr int kEdgeMargin = 8;
constexpr int kTextGap = 8;
// Between the animation and Cancel, as the design has it.
constexpr int kAnimateGap = kCancelDesign.left() - kAnimateDesign.right() - 1;
// Narrower than this the animation would be a speck: it is left out.
constexpr int kAnimateMinimumWidth = 96;

int WidestText(const QFontMetrics& Metrics, std::initializer_list<QString> Texts) {
    int widest = 0;
    for (const QString& text : Texts) {
        widest = std::max(widest, Metrics.horizontalAdvance(text));
    }
    return widest;
}

} // namespace

TStatusPlaces StatusPlacesFor(int Width) {
    QRect cancel = kCancelDesign;
    cancel.moveLeft(std::min(kCancelDesign.left(), Width - kEdgeMargin - kCancelDesign.width()));
    QRect animate = kAnimateDesign;
    const int room = cancel.left() - kAnimateGap - kAnimateDesign.left();
    animate.setWidth(room < kAnimateMinimumWidth ? 0 : std::min(room, kAnimateDesign.width()));
    return {animate, cancel};
}

int StatusGroupMinimumWidth(const QFontMetrics& Metrics) {
    // The longest texts of each label, with counts of six digits.
    const QString count = QStringLiteral("999999");
    const int labels = kStatusLabelPlaces[0].x();
    const int idle = std::max(
        labels +
            WidestText(Metrics, {QStringLiteral("Please wait while getting list of files..."),
                                 QStringLiteral("Importing list of files(%1)...").arg(count),
                                 QStringLiteral("Images wating to be processed: %1").arg(count),
                                 QStringLiteral("Files Processed: %1").arg(count),
                                 QStringLiteral("Non Supported files: %1").arg(count)}),
        kStatusLabelPlaces[2].x() +
            WidestText(Metrics, {QStringLiteral("Not written: %1").arg(count)}));
    // A run shows "Processing..." over the count of the run before; Cancel stands to the right.
    const int running =
        labels +
        WidestText(Metrics, {QStringLiteral("Processing..."),
                             QStringLiteral("Non Supported files: %1").arg(count)}) +
        kTextGap + kCancelDesign.width();
    return std::max(idle, running) + kEdgeMargin;
}

TStatusPanel::TStatusPanel(int DesignWidth, int MinimumWidth, bool KeepsText, QWidget* Parent)
    : QLabel(Parent), FDesignWidth(DesignWidth), FMinimumWidth(MinimumWidth),
      FKeepsText(KeepsText) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

int TStatusPanel::TextWidth() const {
    return QLabel::sizeHint().width();
}

QSize TStatusPanel::sizeHint() const {
    QSize size = QLabel::sizeHint();
    size.setWidth(FKeepsText ? std::max(FDesignWidth, TextWidth()) : FDesignWidth);
    return size;
}

QSize TStatusPanel::minimumSizeHint() const {
    QSize size = QLabel::minimumSizeHint();
    size.setWidth(FKeepsText ? std::max(FMinimumWidth, TextWidth()) : FMinimumWidth);
    return size;
}
