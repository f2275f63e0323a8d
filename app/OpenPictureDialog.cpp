#include "OpenPictureDialog.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QStandardPaths>

#include "dialogs/PreviewForm.h"

const char* const kOpenPictureFilter =
    "All Supported File Types|*.jpg;*.jpeg;*.bmp;*.gif;*.png;*.tif;*.tiff;*.heic;*.heif;*.avif;"
    "*.webp;*.jxl;|JPG|*.jpg;*.jpeg|BMP|*.bmp|GIF|*.gif|PNG|*.png|TIFF|*.tif;*.tiff|HEIF|"
    "*.heic;*.heif|AVIF|*.avif|WebP|*.webp|JPEG XL|*.jxl";

namespace {

constexpr int kPreviewSide = 200;

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

TOpenPictureDialog::TOpenPictureDialog(QWidget* Parent, const TWorkerSettings& Workers)
    : QFileDialog(Parent, QStringLiteral("Open")) {
    // Qt's own dialog, so that the preview pane can sit beside the file list.
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::ReadOnly);
    setFileMode(QFileDialog::ExistingFiles);
    setNameFilters(QtNameFilters(QString::fromLatin1(kOpenPictureFilter)));
    setSizeGripEnabled(true);
    // Where a user's pictures usually are, rather than wherever the program was started from.
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    setDirectory(QDir(pictures).exists() ? pictures : QDir::homePath());

    FPane = new QLabel(this);
    FPane->setObjectName(QStringLiteral("PreviewPane"));
    FPane->setAccessibleName(QStringLiteral("Preview"));
    FPane->setAlignment(Qt::AlignCenter);
    FPane->setMinimumSize(kPreviewSide, kPreviewSide);
    FPane->setFrameShape(QFrame::StyledPanel);
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(FPane, 0, grid->columnCount(), grid->rowCount(), 1);
    // Made after the pane, so that it is freed after it.
    FPreviews = new TPreviewDecoder(Workers, this);
    connect(this, &QFileDialog::currentChanged, this, &TOpenPictureDialog::PreviewFile);
    connect(FPreviews, &TPreviewDecoder::Decoded, FPane,
            [this](quint64 Ticket, const TPreviewPicture& Picture) {
                if (Ticket == FLatest)
                    FPane->setPixmap(PreviewPixmap(Picture, FPane->devicePixelRatioF()));
            });

    // Room for the file list beside the preview.
    resize(sizeHint().expandedTo(QSize(860, 480)));
}

void TOpenPictureDialog::PreviewFile(const QString& Path) {
    FPane->clear();
    FPreviews->DropWaiting();
    FLatest = 0;
    if (HasPreviewFormat(Path))
        FLatest = FPreviews->Decode(Path, qRound(kPreviewSide * FPane->devicePixelRatioF()), false);
}

void TOpenPictureDialog::accept() {
    // The dialog would refuse a name that does not exist ("File not found"); the import reports
    // it instead, as it does a file that went away. A folder is still entered.
    const QStringList chosen = selectedFiles();
    const bool anyFolder = std::any_of(chosen.begin(), chosen.end(),
                                       [](const QString& Path) { return QFileInfo(Path).isDir(); });
    if (chosen.isEmpty() || anyFolder) {
        QFileDialog::accept();
        return;
    }
    QDialog::accept();
}

QStringList ChoosePictureFiles(QWidget* Parent, const TWorkerSettings& Workers) {
    TOpenPictureDialog dialog(Parent, Workers);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}
