#include "Application.h"

#include <stdexcept>

#include "dialogs/MessageDialogs.h"

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv), FHelpFile(QStringLiteral("VK help.exe")) {
    setApplicationName(Title());
    setApplicationDisplayName(Title());
}

QString TApplication::Title() {
    return QStringLiteral("Vellumkite");
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

QString HelpPagePath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/help/intro.htm");
}
