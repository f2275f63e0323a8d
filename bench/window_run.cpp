// Processes the files given through the main window, as a user pressing "Process images" does
// (offscreen), and prints the run's wall and CPU seconds (this process and its workers) from the
// press to the window's return to idle, as "wall cpu". The outputs go below the desktop.
//
//   window_run WORKER JOBS low|high FILE...

#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include <sys/resource.h>
#include <time.h>

#include "app/Application.h"
#include "app/FileListModel.h"
#include "app/MainForm.h"
#include "app/StartUp.h"
#include "settings/Settings.h"

namespace {

double Seconds(const timeval& Time) {
    return static_cast<double>(Time.tv_sec) + static_cast<double>(Time.tv_usec) / 1e6;
}

// CPU seconds of this process and of its children reaped so far.
double CpuSeconds() {
    rusage self = {};
    rusage children = {};
    ::getrusage(RUSAGE_SELF, &self);
    ::getrusage(RUSAGE_CHILDREN, &children);
    return Seconds(self.ru_utime) + Seconds(self.ru_stime) + Seconds(children.ru_utime) +
           Seconds(children.ru_stime);
}

double WallSeconds() {
    timespec now = {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    TApplication application(argc, argv);
    if (argc < 5) {
        std::fputs("usage: window_run WORKER JOBS low|high FILE...\n", stderr);
        return 2;
    }
    const TStartUp modules;
    TWorkerSettings workers;
    workers.Program = QString::fromLocal8Bit(argv[1]);
    TMainForm form; // loads the settings file: the run's own values come after it
    form.SetWorkerSettings(workers);
    Settings = TSettings();
    Settings.FilesAtOnce = std::atoi(argv[2]);
    Settings.RQHigh = QByteArray(argv[3]) == "high";
    TFileListModel list;
    for (int i = 4; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        list.StageEntry(EntryForPath(path, QFileInfo(path).size()));
    }
    list.CommitStaged();
    form.SetFileList(&list, &list);
    form.show();

    double wallStart = 0;
    double cpuStart = 0;
    QTimer idleWatch;
    QObject::connect(&idleWatch, &QTimer::timeout, [&] {
        if (form.Idle()) {
            std::printf("%.3f %.3f\n", WallSeconds() - wallStart, CpuSeconds() - cpuStart);
            QCoreApplication::exit(list.Count() == 0 ? 0 : 1);
        }
    });
    QTimer::singleShot(0, [&] {
        wallStart = WallSeconds();
        cpuStart = CpuSeconds();
        form.Commands().Execute(TCommandId::ProcessImages);
        idleWatch.start(5);
    });
    return QCoreApplication::exec();
}
