#pragma once

#include <QFileDialog>
#include <QStringList>

#include "batch/WorkerProcess.h"

class QLabel;
class TPreviewDecoder;

// The filter of the "Add file" dialog in the picture machinery's notation: description, "|",
// patterns separated by ";", and so on.
extern const char* const kOpenPictureFilter;

// The filter in Qt's notation: one "Description (*.a *.b)" per choice, in order.
QStringList QtNameFilters(const QString& Filter);

// The "Add file" dialog: several files at once, resizable, with a pane that shows the file under
// the cursor, made small by a worker started with Workers, so that moving through a folder never
// waits on a picture. A typed name need not exist: the import that follows reports it.
class TOpenPictureDialog : public QFileDialog {
    Q_OBJECT

public:
    TOpenPictureDialog(QWidget* Parent, const TWorkerSettings& Workers);

    QLabel* PreviewPane() const { return FPane; }

public slots:
    void accept() override;

private:
    void PreviewFile(const QString& Path);

    QLabel* FPane = nullptr;
    TPreviewDecoder* FPreviews = nullptr;
    // The picture the pane waits for; only the latest file's is shown.
    quint64 FLatest = 0;
};

// Runs the "Add file" dialog: the chosen paths in the dialog's order; none when the user cancels.
QStringList ChoosePictureFiles(QWidget* Parent, const TWorkerSettings& Workers);
