#pragma once

#include <functional>

#include <QString>

class QWidget;

// Where an error that escapes a handler is shown: the application's standard error report.
using TErrorReport = std::function<void(QWidget* Parent, const QString& Text)>;

// The modal "Confirm" question with the buttons "&Yes" and "&No"; true when the answer is Yes.
bool ConfirmDialog(QWidget* Parent, const QString& Text);

// The modal "Warning" box with Text and an OK button.
void WarningDialog(QWidget* Parent, const QString& Text);

// A modal error box with Text, for errors that have no better place to go.
void ErrorDialog(QWidget* Parent, const QString& Text);
