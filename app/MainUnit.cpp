#include "MainUnit.h"

#include "settings/Settings.h"

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    FormCreate();
}

void TMainForm::FormCreate() {
    setWindowTitle(QStringLiteral("Vellumkite"));
    resize(640, 480);
    LoadSettings(Settings, SettingsFilePath());
}
