#include "OpenPictureDialog.h"

#include <exception>

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>

#include "platform/Picture.h"

const char* const kOpenPictureFilter =
    "All Supported File Types|*.jpg;*.jpeg;*.bmp;*.gif;*.png;*.tif;*.tiff;|JPG|*.jpg;*.jpeg|BMP|"
    "*.bmp|GIF|*.gif|PNG|*.png|TIFF|*.tif;*.tiff";

namespace {

constexpr int kPreviewSide = 200;

// The picture at Path drawn to fit the pane, keeping its proportions; empty when the registry
// has no class for it or it cannot be read.
QPixmap PreviewOf(const QString& Path) {
    try {
        TPicture picture;
        picture.LoadFromFile(Path);
        const int width = picture.GetWidth();
        const int height = picture.GetHeight();
        if (width <= 0 || height <= 0)
            return {};
        const double scale =
            std::min(1.0, std::min(double(kPreviewSide) / width, double(kPreviewSide) / height));
        const QSize size(std::max(1, qRound(width * scale)), std::max(1, qRound(height * scale)));
        QImage canvas(size, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        picture.GetGraphic()->Draw(painter, QRect(QPoint(0, 0), size));
        painter.end();
        return QPixmap::fromImage(canvas);
    } catch (const std::exception&) {
        return {}; // not a picture the registry can draw: the pane stays empty
    }
}

} // namespace

QStringList QtNameFilters(const QString& Filter) {
    const QStringList parts = Filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(QLatin1Char(' ')));
    }
    return filters;
}

QStringList ChoosePictureFiles(QWidget* Parent) {
    QFileDialog dialog(Parent, QStringLiteral("Open"));
    // Qt's own dialog, so that the preview pane can sit beside the file list.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ReadOnly);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(QtNameFilters(QString::fromLatin1(kOpenPictureFilter)));
    dialog.setSizeGripEnabled(true);
    // Where a user's pictures usually are, rather than wherever the program was started from.
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    dialog.setDirectory(QDir(pictures).exists() ? pictures : QDir::homePath());

    auto* preview = new QLabel(&dialog);
    preview->setObjectName(QStringLiteral("PreviewPane"));
    preview->setAccessibleName(QStringLiteral("Preview"));
    preview->setAlignment(Qt::AlignCenter);
    preview->setMinimumSize(kPreviewSide, kPreviewSide);
    preview->setFrameShape(QFrame::StyledPanel);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview,
                     [preview](const QString& Path) { preview->setPixmap(PreviewOf(Path)); });

    // Room for the file list beside the preview.
    dialog.resize(dialog.sizeHint().expandedTo(QSize(860, 480)));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}
