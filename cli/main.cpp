// vellumkite-batch: the batch run of Vellumkite without a window, for scripts and for machines
// without a display.

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <exception>
#include <optional>

#include <unistd.h>

#include "batch/BatchRun.h"
#include "cli/CliOptions.h"
#include "cli/Interrupt.h"
#include "cli/PathScan.h"
#include "cli/TerminalView.h"
#include "engine/MagickImage.h"
#include "engine/MagickRegistration.h"
#include "platform/FileNames.h"
#include "platform/Processors.h"
#include "settings/Settings.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

void Complain(const QString& Text) {
    std::fprintf(stderr, "vellumkite-batch: %s\n", EncodeFileName(Text).constData());
}

int Usage(const QString& Text) {
    Complain(Text);
    std::fputs("Try 'vellumkite-batch --help'.\n", stderr);
    return kExitUsage;
}

// Vellumkite's own settings file: both programs are built and installed side by side.
QString SharedSettingsFile() {
    return SettingsFilePathFor(QCoreApplication::applicationDirPath() +
                               QStringLiteral("/vellumkite"));
}

} // namespace

int main(int argc, char** argv) {
    const QCoreApplication application(argc, argv);
    // Arguments are file names: taken as bytes, not through the locale's lossy conversion.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << DecodeFileName(QByteArray(argv[i]));
    }
    const TCliParse parse = ParseCommandLine(arguments);
    if (!parse.Error.isEmpty()) {
        return Usage(parse.Error);
    }
    const TCliOptions& options = parse.Options;
    if (options.Help) {
        std::fputs(UsageText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (options.Version) {
        std::printf("vellumkite-batch %s\n", VK_VERSION);
        return 0;
    }
    const TPathScan scan = CollectPaths(options.Paths);
    if (!scan.Error.isEmpty()) {
        return Usage(scan.Error);
    }
    for (const QString& folder : scan.Unreadable) {
        Complain(QStringLiteral("cannot read the folder %1").arg(folder));
    }

    TSettings settings;
    LoadSettings(settings, SharedSettingsFile());
    ApplyOptions(options, settings);
    InstallInterruptHandler();
    try {
        const QString root = options.OutputRoot.isEmpty()
                                 ? DefaultOutputRoot()
                                 : QDir(options.OutputRoot).absolutePath() + QLatin1Char('/');
        const TEngineModule engine;
        TPathList list(scan.Files);
        TTerminalView view(stderr, isatty(STDERR_FILENO) != 0);
        const int jobs = options.Jobs.value_or(UsableProcessorCount());
        const TBatchCounts counts = TBatchRun(list, view, settings, root, {}, jobs).Execute();
        QStringList summary = view.Summary();
        if (counts.PartlyRead > 0) {
            summary << QStringLiteral("Read only in part: %1").arg(counts.PartlyRead);
        }
        for (const QString& line : summary) {
            std::printf("%s\n", EncodeFileName(line).constData());
        }
        if (Interrupted()) {
            return kExitInterrupted;
        }
        return counts.NonSupported + counts.NotWritten > 0 ? kExitFailed : 0;
    } catch (const std::exception& error) {
        Complain(QString::fromUtf8(error.what()));
        return kExitFailed;
    }
}
