#include "PreviewForm.h"

#include <cmath>

#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QStyle>

#include "platform/Errors.h"
#include "platform/FileNames.h"

namespace {

constexpr int kPreviewSide = 300;

const QString kCannotPreview = QStringLiteral("You can't preview this file type");

} // namespace

QSize PreviewSize(int Width, int Height) {
    const TDimensions shown = ShownSize({Width, Height}, kPreviewSide, true);
    return shown == TDimensions{} ? QSize() : QSize(shown.Width, shown.Height);
}

bool HasPreviewFormat(const QString& FileName, const TPictureRegistry& Formats) {
    const QString extension = FileExtension(FileName);
    return !extension.isEmpty() && Formats.FindFileFormat(extension).has_value();
}

QPixmap PreviewPixmap(const TPreviewPicture& Picture, qreal Density) {
    if (!Picture.Decoded) {
        return {};
    }
    const QImage image(reinterpret_cast<const uchar*>(Picture.Rgb.constData()), Picture.Shown.Width,
                       Picture.Shown.Height, 3 * Picture.Shown.Width, QImage::Format_RGB888);
    QPixmap pixmap = QPixmap::fromImage(image); // a copy: the bytes may go
    pixmap.setDevicePixelRatio(Density);
    return pixmap;
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
    Image->setScaledContents(true);
    Image->setGeometry(0, 0, kPreviewSide, kPreviewSide);
    setFixedSize(Image->size());
}

int TPreviewForm::PictureSide() const {
    return static_cast<int>(std::lround(kPreviewSide * devicePixelRatioF()));
}

void TPreviewForm::ShowPicture(const QString& FileName, const TPreviewPicture& Picture) {
    const QSize shown = PreviewSize(Picture.Size.Width, Picture.Size.Height);
    if (!Picture.Decoded || shown.isEmpty()) {
        throw EInvalidGraphic("The file holds no picture");
    }
    Image->setPixmap(PreviewPixmap(Picture, devicePixelRatioF()));
    Image->setGeometry(QRect(QPoint(0, 0), shown));
    setFixedSize(shown);

    const QString name = FileNamePart(FileName);
    setWindowTitle(QStringLiteral("Preview - ") + name);
    setAccessibleName(windowTitle());
    Image->setAccessibleName(name);
    Image->setAccessibleDescription(QStringLiteral("%1 by %2 pixels, shown at %3 by %4")
                                        .arg(Picture.Size.Width)
                                        .arg(Picture.Size.Height)
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

TPreviewForm* ShowPreview(const QString& FileName, TPreviewDecoder& Decoder, QWidget* Owner,
                          const TPreviewWarning& Warn, const TPictureRegistry& Formats) {
    if (!HasPreviewFormat(FileName, Formats)) {
        Warn(Owner, kCannotPreview);
        return nullptr;
    }
    auto* form = new TPreviewForm(Owner);
    const quint64 ticket = Decoder.Decode(FileName, form->PictureSide(), true);
    // The form waits, unshown, for its own picture; it goes with the decoder if that goes first.
    QObject::connect(&Decoder, &QObject::destroyed, form, &QObject::deleteLater);
    QObject::connect(
        &Decoder, &TPreviewDecoder::Decoded, form,
        [form, ticket, FileName, Owner, Warn](quint64 Ticket, const TPreviewPicture& Picture) {
            if (Ticket != ticket) {
                return; // another window's picture
            }
            try {
                form->ShowPicture(FileName, Picture);
            } catch (const EInvalidGraphic&) {
                form->deleteLater();
                Warn(Owner, kCannotPreview);
                return;
            }
            if (const QScreen* screen = form->screen(); screen != nullptr) {
                form->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter,
                                                      form->size(), screen->availableGeometry()));
            }
            form->show();
            form->activateWindow();
        });
    return form;
}
