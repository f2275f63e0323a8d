#include "PreviewUnit.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>

#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QStyle>

#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "platform/Picture.h"

namespace {

constexpr int PreviewSide = 300;

// The default rounding mode rounds halves to the even neighbour.
int RoundedSide(int Side, double Scale) {
    return std::max(1, static_cast<int>(std::nearbyint(Side * Scale)));
}

// The graphic drawn at its own size, then scaled down by averaging: sampling a large
// photograph straight into a few hundred pixels would leave it jagged.
QImage SmoothlyScaled(TGraphic& Graphic, QSize Target) {
    QImage full(Graphic.GetWidth(), Graphic.GetHeight(), QImage::Format_ARGB32_Premultiplied);
    if (full.isNull()) {
        throw EInvalidGraphic("Not enough memory to draw the picture");
    }
    full.fill(Qt::transparent);
    {
        QPainter canvas(&full);
        Graphic.Draw(canvas, full.rect());
    }
    return full.scaled(Target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

QSize PreviewSize(int Width, int Height) {
    if (Width <= 0 || Height <= 0) {
        return {};
    }
    const double scale = static_cast<double>(PreviewSide) / std::max(Width, Height);
    return {RoundedSide(Width, scale), RoundedSide(Height, scale)};
}

TPreviewForm::TPreviewForm(QWidget* Owner)
    : QWidget(Owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("PreviewForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Preview"));
    setAccessibleName(windowTitle());
    Image = new QLabel(this);
    Image->setObjectName(QStringLiteral("Image"));
    Image->setGeometry(0, 0, PreviewSide, PreviewSide);
    setFixedSize(Image->size());
}

void TPreviewForm::LoadPicture(const QString& FileName, const TPictureRegistry& Formats) {
    TPicture picture(Formats);
    picture.LoadFromFile(FileName);
    const QSize shown = PreviewSize(picture.GetWidth(), picture.GetHeight());
    if (shown.isEmpty()) {
        throw EInvalidGraphic("The file holds no picture");
    }
    // Drawn at the screen's own pixel density, so the preview stays sharp on a dense screen.
    const qreal density = devicePixelRatioF();
    QPixmap pixmap = QPixmap::fromImage(SmoothlyScaled(*picture.GetGraphic(), shown * density));
    pixmap.setDevicePixelRatio(density);
    Image->setPixmap(pixmap);
    Image->setGeometry(QRect(QPoint(0, 0), shown));
    setFixedSize(shown);

    const QString name = FileNamePart(FileName);
    setWindowTitle(QStringLiteral("Preview - ") + name);
    setAccessibleName(windowTitle());
    Image->setAccessibleName(name);
    Image->setAccessibleDescription(QStringLiteral("%1 by %2 pixels, shown at %3 by %4")
                                        .arg(picture.GetWidth())
                                        .arg(picture.GetHeight())
                                        .arg(shown.width())
                                        .arg(shown.height()));
}

void TPreviewForm::keyPressEvent(QKeyEvent* Event) {
    if (Event->key() == Qt::Key_Escape && Event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(Event);
}

TPreviewForm* ShowPreview(const QString& FileName, QWidget* Owner, const TPreviewWarning& Warn) {
    auto form = std::make_unique<TPreviewForm>(Owner);
    try {
        form->LoadPicture(FileName);
    } catch (const std::exception&) {
        form.reset();
        Warn(Owner, QStringLiteral("You can't preview this file type"));
        return nullptr;
    }
    if (const QScreen* screen = form->screen(); screen != nullptr) {
        form->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, form->size(),
                                              screen->availableGeometry()));
    }
    form->show();
    form->activateWindow();
    return form.release();
}
