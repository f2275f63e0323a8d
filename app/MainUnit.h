#pragma once

#include <QMainWindow>

// The program's main window.
class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TMainForm(QWidget* parent = nullptr);

private:
    void FormCreate();
};
