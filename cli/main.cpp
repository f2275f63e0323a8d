// vellumkite-batch: the batch run of Vellumkite without a window, for scripts and for machines
// without a display.

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <cstdio>
#include <exception>

#include <unistd.h>

#include "batch/BatchJob.h"
#include "batch/OutputTree.h"
#include "batch/PhotoOutputs.h"
#include "cli/CliOptions.h"
#include "cli/Interrupt.h"
#include "cli/PathList.h"
#include "cli/PathScan.h"
#include "cli/RunSummary.h"
#include "cli/TerminalText.h"
#include "cli/TerminalView.h"
#include "engine/EngineCheck.h"
#include "engine/ImageMagickAPI.h"
#include "engine/MagickImage.h"
#include "platform/FileNames.h"
#include "platform/MemoryReuse.h"
#include "settings/Settings.h"
#include "settings/SettingsLocation.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kInterruptCheckMilliseconds = 100;

// The Debian package that holds the engine's library.
constexpr const char* kEnginePackage = "libmagickcore-6.q16-6";

void Complain(const QString& Text) {
    std::fprintf(stderr, "vellumkite-batch: %s\n", TerminalText(Text).constData());
}

// One line on standard output.
void Say(const QString& Line) {
    std::printf("%s\n", TerminalText(Line).constData());
}

int Usage(const QString& Text) {
    Complain(Text);
    std::fputs("Try 'vellumkite-batch --help'.\n", stderr);
    return kExitUsage;
}

void PrintSummary(const TRunTally& Tally, TVerbosity Verbosity) {
    if (Verbosity == TVerbosity::Quiet) {
        return;
    }
    for (const QString& line : RunSummary(Tally)) {
        Say(line);
    }
}

// Everything after the usage checks: gathers the files, checks the engine, makes the output
// folders and runs; returns the exit status.
int Run(const TCliOptions& Options, const TSettings& RunSettings) {
    TRunTally tally;
    tally.OutputRoot = OutputRootFor(RunSettings);
    const TOutputTree outputs(tally.OutputRoot);
    TPathScan scan = CollectPaths(Options.Paths, {Options.KeepFolders, outputs.OwnFolders()});
    for (const QString& problem : scan.Problems) {
        Complain(problem);
    }
    tally.Skipped = scan.Skipped;
    tally.Unusable = static_cast<int>(scan.Problems.size());
    const int failed = tally.Unusable > 0 ? kExitFailed : 0;
    if (scan.Files.empty()) {
        PrintSummary(tally, Options.Verbosity);
        return failed;
    }

    const TEngineCheck engine;
    if (!MagickLoaded) {
        Complain(QStringLiteral("cannot load the image engine (%1); install the Debian package %2")
                     .arg(QString::fromStdString(DefaultMagickLibraryFileName()),
                          QLatin1String(kEnginePackage)));
        return kExitFailed;
    }
    const QString unmade = outputs.MakeSizeFolders(RunSettings);
    if (!unmade.isEmpty()) {
        Complain(QStringLiteral("cannot make the output folder %1").arg(unmade));
        return kExitFailed;
    }

    InstallInterruptHandler(Options.Verbosity != TVerbosity::Quiet);
    TPathList list(std::move(scan.Files));
    TTerminalView view(stdout, stderr, Options.Verbosity, isatty(STDERR_FILENO) != 0);
    TJobOptions jobOptions;
    jobOptions.Jobs = Options.Jobs.value_or(JobsFor(RunSettings));
    TBatchJob job(list, RunSettings, tally.OutputRoot, jobOptions);
    view.Follow(job);
    QObject::connect(&job, &TBatchJob::Finished, QCoreApplication::instance(),
                     &QCoreApplication::quit);
    // Ctrl+C is the run's Cancel: the signal handler can only note it, so it is looked for.
    QTimer interruptWatch;
    QObject::connect(&interruptWatch, &QTimer::timeout, [&job] {
        if (Interrupted()) {
            job.Stop();
        }
    });
    interruptWatch.start(kInterruptCheckMilliseconds);
    job.Start();
    view.Begin(list.WaitingCount());
    QCoreApplication::exec();
    tally.Counts = job.Counts();
    if (!tally.Counts.StartError.isEmpty()) {
        Complain(tally.Counts.StartError);
        return kExitFailed;
    }
    if (!tally.Counts.FlushError.isEmpty()) {
        // The outputs are in place, but a crash of the machine now could still lose them.
        view.Warn(QStringLiteral("The resized images could not be flushed to the disk: %1")
                      .arg(tally.Counts.FlushError));
    }
    PrintSummary(tally, Options.Verbosity);
    if (Interrupted()) {
        return InterruptedExitStatus();
    }
    const bool lost =
        tally.Counts.NonSupported + tally.Counts.NotWritten + tally.Counts.PartlyRead > 0 ||
        !tally.Counts.FlushError.isEmpty();
    return lost ? kExitFailed : failed;
}

} // namespace

int main(int argc, char** argv) {
    // Every source is read whole, one after another.
    ReuseFreedMemory();
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

    const TSettingsFile settingsFile = SettingsFile();
    TSettings settings;
    LoadSettings(settings, settingsFile);
    ApplyOptions(options, settings);
    if (options.SaveDefaults) {
        try {
            SaveSettings(settings, settingsFile);
        } catch (const std::exception& error) {
            Complain(QString::fromUtf8(error.what()));
            return kExitFailed;
        }
        if (options.Verbosity != TVerbosity::Quiet) {
            Say(QStringLiteral("Defaults saved to ") + settingsFile.Path);
        }
        if (options.Paths.isEmpty()) {
            return 0;
        }
    }
    if (PlanFor(settings).Sizes.empty()) {
        return Usage(QStringLiteral("every size is off, so there is nothing to make: turn one on "
                                    "with --large, --medium or --thumb"));
    }
    try {
        return Run(options, settings);
    } catch (const std::exception& error) {
        Complain(QString::fromUtf8(error.what()));
        return kExitFailed;
    }
}
