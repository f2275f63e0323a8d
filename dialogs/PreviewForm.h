#pragma once

#include <functional>

#include <QPixmap>
#include <QSize>
#include <QString>
#include <QWidget>

#include "batch/PreviewDecoder.h"
#include "dialogs/MessageDialogs.h"
#include "graphics/PictureRegistry.h"

class QLabel;

// The size a picture of Width x Height is shown at in a preview: both sides multiplied by 300
// over the longer side, in double precision, and rounded to the nearest integer with ties to
// even (1000 x 500 gives 300 x 150, 5 x 600 gives 2 x 300). A side that would round to 0 is
// shown 1 pixel wide. An empty size for a picture without pixels.
QSize PreviewSize(int Width, int Height);

// Whether Formats has a registration for the extension of FileName (the text after its last
// dot, compared without regard to case): the files a preview is tried for.
bool HasPreviewFormat(const QString& FileName, const TPictureRegistry& Formats = PictureRegistry());

// A picture a TPreviewDecoder made, as a pixmap for a screen of Density device pixels to one;
// null when nothing was decoded.
QPixmap PreviewPixmap(const TPreviewPicture& Picture, qreal Density);

// A tool window that shows one picture file, scaled so that its longer side is 300 pixels.
// Not modal; frees itself when it is closed; Esc closes it.
class TPreviewForm : public QWidget {
    Q_OBJECT

public:
    // A form with an owner stays above it and is freed with it.
    explicit TPreviewForm(QWidget* Owner = nullptr);

    // The longer side, in device pixels, of the picture this window shows: sharp on a dense
    // screen.
    int PictureSide() const;

    // Shows Picture, made of the file at FileName at PictureSide, at the PreviewSize of the
    // picture's own size, sizes the window to it and captions it "Preview - " and the file's
    // name. Raises EInvalidGraphic for a picture that was not decoded.
    void ShowPicture(const QString& FileName, const TPreviewPicture& Picture);

    // The picture control, filling the window from its top-left corner.
    QLabel* Image;

protected:
    void keyPressEvent(QKeyEvent* Event) override;
};

// Where the warning of a file that cannot be previewed goes.
using TPreviewWarning = std::function<void(QWidget* Parent, const QString& Text)>;

// Opens a further preview window for the file at FileName, without waiting for it: Decoder makes
// the picture, and the window is shown, centred on the screen, once it has. Returns the window,
// unshown until then. When the file cannot be shown, the window is freed unshown and Warn is
// given "You can't preview this file type": at once, with a null result, for an extension that
// Formats does not know; when the picture comes back empty, otherwise.
TPreviewForm* ShowPreview(const QString& FileName, TPreviewDecoder& Decoder,
                          QWidget* Owner = nullptr, const TPreviewWarning& Warn = WarningDialog,
                          const TPictureRegistry& Formats = PictureRegistry());
