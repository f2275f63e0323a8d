#pragma once

// Runs a Qt Test class in a private HOME, so that no test touches the real desktop, the user's
// settings or another test's files.

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

namespace vk_test {

// Points HOME and the XDG folders into a fresh temporary folder for the life of the object.
class PrivateHome {
public:
    PrivateHome() {
        const QByteArray home = QFile::encodeName(Folder.path());
        qputenv("HOME", home);
        qputenv("XDG_CONFIG_HOME", home + "/.config");
        qputenv("XDG_DATA_HOME", home + "/.local/share");
        qputenv("XDG_CACHE_HOME", home + "/.cache");
        qputenv("TMPDIR", home);
        qputenv("XDG_RUNTIME_DIR", home + "/.runtime");
        QDir(Folder.path()).mkpath(QStringLiteral("Desktop"));
        QDir(Folder.path()).mkpath(QStringLiteral(".runtime"));
        QFile::setPermissions(Folder.path() + QStringLiteral("/.runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

private:
    QTemporaryDir Folder;
};

// The private HOME's desktop folder.
inline QString Desktop() {
    return QDir::homePath() + QStringLiteral("/Desktop");
}

// Lets windows closed outside an event loop free themselves, as the main window's loop would.
inline void FreeClosed() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace vk_test

// Runs TestClass under the least application it needs: QCoreApplication; QGuiApplication for
// pixmaps, icons, fonts or the clipboard; QApplication, or the program's TApplication, for widgets.
// A test given one of the last includes its header itself.
#define VK_TEST_MAIN(Application, TestClass)                                                       \
    int main(int argc, char** argv) {                                                              \
        vk_test::PrivateHome home;                                                                 \
        Application app(argc, argv);                                                               \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
