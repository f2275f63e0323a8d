#pragma once

#include <functional>

#include <QGroupBox>
#include <QString>

#include "settings/Settings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// Asks the user for a folder, starting at Current; empty when the user cancels.
using TFolderChooser = std::function<QString(QWidget* Parent, const QString& Current)>;

// The Defaults dialog's output choices beyond the boxes: the format, never enlarging, the
// sources' dates, skipping what is up to date, and the output folder. Each is off by default, so
// that a user who changes nothing gets JPEG files below the desktop's "Resized Images".
class TOutputChoicesGroup : public QGroupBox {
    Q_OBJECT

public:
    explicit TOutputChoicesGroup(QWidget* Parent = nullptr);

    // Replaces the platform's folder dialog that Browse opens.
    void SetFolderChooser(TFolderChooser Choose);

    void SettingsToControls(const TSettings& Source);
    void ControlsToSettings(TSettings& Target) const;

    QComboBox* FormatCB;
    QCheckBox* NeverEnlargeCB;
    QCheckBox* KeepDatesCB;
    QCheckBox* SkipExistingCB;
    // The folder chosen; empty, with a hint in its place, for the desktop's default.
    QLineEdit* OutputFolderEdit;
    QPushButton* BrowseButton;
    QPushButton* DesktopButton;

private:
    void BrowseButtonClick();

    TFolderChooser FChoose;
};
