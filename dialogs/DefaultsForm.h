#pragma once

#include <functional>

#include <QDialog>
#include <QString>

#include "dialogs/MessageDialogs.h"
#include "settings/Settings.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class TOutputChoicesGroup;
class TSpinEdit;

// A yes-or-no question; true when the answer is Yes.
using TQuestion = std::function<bool(QWidget* Parent, const QString& Text)>;

// The Defaults dialog: edits a settings record and stores it in its settings file on OK, or
// restores the defaults into both. Frees itself when it closes.
class TDefaultsForm : public QDialog {
    Q_OBJECT

public:
    // Works on Target, stored in File. Report shows the error when the file cannot be
    // written; the dialog then stays open.
    TDefaultsForm(TSettings& Target, const TSettingsFile& File, TErrorReport Report = ErrorDialog,
                  QWidget* Parent = nullptr);

    // Replaces the question asked before a restore, ConfirmDialog by default.
    void SetQuestion(TQuestion Ask);

    void SettingsToControls();
    void ControlsToSettings();

    QGroupBox* GroupBox1;
    TSpinEdit* JPGQualitySE;
    QLabel* Label1;
    QCheckBox* StripMetadataCB;
    QGroupBox* GroupBox5;
    QRadioButton* RQHighRB;
    QRadioButton* RQLowRB;
    // Files a run works on at once; at its highest, one per processor, stored as 0.
    TSpinEdit* FilesAtOnceSE;
    QGroupBox* GroupBox2;
    TSpinEdit* ThumbWidthSE;
    TSpinEdit* ThumbHeightSE;
    QCheckBox* ProcessThumbCB;
    QGroupBox* GroupBox3;
    TSpinEdit* MediumWidthSE;
    TSpinEdit* MediumHeightSE;
    QCheckBox* ProcessMediumCB;
    QGroupBox* GroupBox4;
    TSpinEdit* LargeWidthSE;
    TSpinEdit* LargeHeightSE;
    QCheckBox* ProcessLargeCB;
    // The choices beyond the boxes, below them.
    TOutputChoicesGroup* OutputGroup;
    QFrame* Panel;
    QPushButton* RestoreDefaultsButton;
    QPushButton* OKButton;
    QPushButton* CancelButton;

private:
    void FormCreate();
    QGroupBox* CreateQualityGroup();
    QGroupBox* CreateResizeGroup();
    // One output size's box: width, height and whether the size is made.
    QGroupBox* CreateDimensionsGroup(const QString& Caption, const QString& SizeName,
                                     TSpinEdit*& WidthSE, TSpinEdit*& HeightSE,
                                     QCheckBox*& ProcessCB);
    QFrame* CreatePanel();
    void SetFixedClientSize();

    void OKButtonClick();
    void CancelButtonClick();
    void RestoreDefaultsButtonClick();
    // SaveSettings, with a failure handed to the report; true when the file was written.
    bool TrySaveSettings();

    TSettings& FSettings;
    TSettingsFile FFile;
    TErrorReport FReport;
    TQuestion FAsk;
};

// The Defaults command: shows the dialog modally over Owner for Target, stored in File.
void DefaultsExecute(QWidget* Owner, TSettings& Target, const TSettingsFile& File,
                     TErrorReport Report = ErrorDialog);
