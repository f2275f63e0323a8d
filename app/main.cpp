#include <unistd.h>

#include <cstdio>
#include <exception>
#include <optional>

#include <QByteArray>
#include <QList>

#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/MainForm.h"
#include "app/StartUp.h"
#include "platform/FileNames.h"

namespace {

constexpr int kExitUsage = 2;

// The working folder as the system's bytes; empty when it is gone.
QByteArray WorkingFolder() {
    QByteArray folder(4096, '\0');
    if (::getcwd(folder.data(), size_t(folder.size())) == nullptr)
        return QByteArray();
    folder.truncate(qsizetype(qstrlen(folder.constData())));
    return folder;
}

} // namespace

int main(int argc, char** argv) {
    TApplication application(argc, argv);
    // Qt has taken its own options out of argv by now; the rest are the user's.
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    const TCommandLine commandLine = ReadCommandLine(arguments, WorkingFolder());
    if (!commandLine.Error.isEmpty()) {
        std::fprintf(stderr, "vellumkite: %s\nUsage: vellumkite [FILE|FOLDER]...\n",
                     EncodeFileName(commandLine.Error).constData());
        return kExitUsage;
    }
    std::optional<TStartUp> modules;
    try {
        modules.emplace();
    } catch (const std::exception& error) {
        // Start-up cannot go on without its formats; say why before leaving.
        std::fprintf(stderr, "vellumkite: %s\n", error.what());
        ShowErrorReport(error);
        return 1;
    }
    TMainForm form;
    form.show();
    form.ImportWhenShown(commandLine.Files);
    return QApplication::exec();
}
