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
    // The name of the program's menu entry, without ".desktop": desktops match the window to
    // its entry and icon by it (the window's class is the title).
    static QString DesktopEntryName();
    const QString& HelpFile() const { return FHelpFile; }

    bool notify(QObject* Receiver, QEvent* Event) override;

private:
    QString FHelpFile;
};

// The standard error report for an error that escaped a handler: the error box of the dialogs,
// captioned with the application's title, with the error's text.
void ShowErrorReport(const std::exception& Error);

// The help page of the program in ProgramFolder: help/intro.htm there, as a build tree has it,
// or else share/vellumkite/help/intro.htm beside the folder, as an installed program has it.
QString HelpPagePathFor(const QString& ProgramFolder);

// HelpPagePathFor the running program's folder.
QString HelpPagePath();
