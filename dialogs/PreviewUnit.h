#pragma once

#include <functional>

#include <QSize>
#include <QString>
#include <QWidget>

#include "dialogs/MessageDialogs.h"
#include "platform/PictureRegistry.h"

class QLabel;

// The size a picture of Width x Height is shown at in a preview: both sides multiplied by 300
// over the longer side, in double precision, and rounded to the nearest integer with ties to
// even (1000 x 500 gives 300 x 150, 5 x 600 gives 2 x 300). A side that would round to 0 is
// shown 1 pixel wide. An empty size for a picture without pixels.
QSize PreviewSize(int Width, int Height);

// A tool window that shows one picture file, scaled so that its longer side is 300 pixels.
// Not modal; frees itself when it is closed; Esc closes it.
class TPreviewForm : public QWidget {
    Q_OBJECT

public:
    // A form with an owner stays above it and is freed with it.
    explicit TPreviewForm(QWidget* Owner = nullptr);

    // Reads the file through the graphic class that Formats registered for its extension, shows
    // it at PreviewSize, sizes the window to it and captions it "Preview - " and the file's
    // name. Raises EInvalidGraphic for an extension without a registration and for a file that
    // gives no picture, and passes on whatever the graphic raises.
    void LoadPicture(const QString& FileName, const TPictureRegistry& Formats = PictureRegistry());

    // The picture control, filling the window from its top-left corner.
    QLabel* Image;

protected:
    void keyPressEvent(QKeyEvent* Event) override;
};

// Where the warning of a file that cannot be previewed goes.
using TPreviewWarning = std::function<void(QWidget* Parent, const QString& Text)>;

// Opens a further preview window for the file at FileName, centred on the screen, without
// waiting for it, and returns it. When the file cannot be shown, the window is freed unshown,
// Warn is given "You can't preview this file type" and the result is null.
TPreviewForm* ShowPreview(const QString& FileName, QWidget* Owner = nullptr,
                          const TPreviewWarning& Warn = WarningDialog);
