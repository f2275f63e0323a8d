#include "Application.h"

#include <stdexcept>

#include <QDir>
#include <QFileInfo>
#include <QIcon>

#include "dialogs/MessageDialogs.h"
#include "platform/ProgramFolder.h"

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv), FHelpFile(QStringLiteral("VK help.exe")) {
    // The name only, not a display name: the platform would append a display name to every
    // window's caption ("Defaults — Vellumkite"), and captions are the windows' own.
    setApplicationName(Title());
    setDesktopFileName(DesktopEntryName());
    setWindowIcon(QIcon(QStringLiteral(":/icons/vellumkite.svg")));
}

QString TApplication::Title() {
    return QStringLiteral("Vellumkite");
}

QString TApplication::DesktopEntryName() {
    return QStringLiteral("vellumkite");
}

bool TApplication::notify(QObject* Receiver, QEvent* Event) {
    try {
        return QApplication::notify(Receiver, Event);
    } catch (const std::exception& error) {
        ShowErrorReport(error);
    } catch (...) {
        ShowErrorReport(std::runtime_error("Unknown error"));
    }
    return false;
}

void ShowErrorReport(const std::exception& Error) {
    ErrorDialog(nullptr, QString::fromUtf8(Error.what()));
}

QString HelpPagePathFor(const QString& ProgramFolder) {
    const QString beside = ProgramFolder + QStringLiteral("/help/intro.htm");
    if (QFileInfo::exists(beside))
        return beside;
    return QDir::cleanPath(ProgramFolder + QStringLiteral("/../share/vellumkite/help/intro.htm"));
}

QString HelpPagePath() {
    return HelpPagePathFor(ProgramFolder());
}
