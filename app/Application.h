#pragma once

#include <exception>

#include <QApplication>
#include <QString>

// The program's application object: its title and help file name, and the standard error report
// at the top of event dispatch, so an error escaping any handler is shown and the program goes on.
class TApplication : public QApplication {
    Q_OBJECT

public:
    TApplication(int& argc, char** argv);

    static QString Title();
    const QString& HelpFile() const { return FHelpFile; }

    bool notify(QObject* Receiver, QEvent* Event) override;

private:
    QString FHelpFile;
};

// The standard error report for an error that escaped a handler: the error box of the dialogs,
// captioned with the application's title, with the error's text.
void ShowErrorReport(const std::exception& Error);

// The help page beside the program file: help/intro.htm in the program's folder.
QString HelpPagePath();
