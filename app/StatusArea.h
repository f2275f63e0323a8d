#pragma once

#include <array>

#include <QLabel>
#include <QPoint>
#include <QRect>

class QFontMetrics;

// The status group's labels stand at these places whatever the group's width: StatusLabel1,
// StatusLabel2 and StatusLabel3 (the outputs not written).
constexpr std::array<QPoint, 3> kStatusLabelPlaces{{{88, 20}, {88, 40}, {280, 40}}};

// Where the copy animation and Cancel stand in a status group Width pixels wide.
struct TStatusPlaces {
    QRect Animate;
    QRect Cancel;
};

// Their design places while the group has room for them; in a narrower group Cancel keeps a
// margin from the right edge and the animation narrows before it, then goes.
TStatusPlaces StatusPlacesFor(int Width);

// The narrowest status group in which the labels' longest texts stay whole, and in which Cancel
// stands beside the texts a run shows without covering them.
int StatusGroupMinimumWidth(const QFontMetrics& Metrics);

// A sunken panel of the status bar, its design width wide while the bar has room. When the bar
// is narrower it gives way down to its minimum width; a panel that keeps its text whole never
// gets narrower than its text, and grows when its text needs more than the design gave it.
class TStatusPanel : public QLabel {
    Q_OBJECT

public:
    TStatusPanel(int DesignWidth, int MinimumWidth, bool KeepsText, QWidget* Parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    int TextWidth() const;

    int FDesignWidth;
    int FMinimumWidth;
    bool FKeepsText;
};
