#include "Application.h"

#include <QMessageBox>

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
    QMessageBox box(QMessageBox::Critical, TApplication::Title(), QString::fromUtf8(Error.what()),
                    QMessageBox::Ok);
    box.exec();
}

QString HelpPagePath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/help/intro.htm");
}
