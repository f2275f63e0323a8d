#include <cstdio>
#include <exception>
#include <optional>

#include "app/Application.h"
#include "app/MainUnit.h"
#include "app/StartUp.h"

int main(int argc, char** argv) {
    TApplication application(argc, argv);
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
    return QApplication::exec();
}
