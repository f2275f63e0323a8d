#include "Interrupt.h"

#include <csignal>
#include <iterator>

#include <signal.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t InterruptSignal = 0;

// What the first interrupt writes, fixed beforehand: a signal handler may only write bytes.
const char* Notice = nullptr;
std::size_t NoticeLength = 0;

constexpr char kTerminalNotice[] =
    "\r\033[Kvellumkite-batch: stopping after the file under way; Ctrl+C again stops at once\n";
// Without a terminal, nothing is drawn over.
constexpr std::size_t kClearLine = 4;

constexpr int kStoppingSignals[] = {SIGINT, SIGTERM};
// The signals this program handles: one that came ignored (a job started in the background by
// a script) stays ignored, as the one who started the program asked.
bool Handled[std::size(kStoppingSignals)] = {};

void SetHandler(void (*Handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = Handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kStoppingSignals); ++i) {
        if (Handled[i]) {
            sigaction(kStoppingSignals[i], &action, nullptr);
        }
    }
}

extern "C" void OnInterrupt(int Signal) {
    InterruptSignal = Signal;
    SetHandler(SIG_DFL); // the next one stops at once
    if (Notice != nullptr) {
        const ssize_t written = ::write(STDERR_FILENO, Notice, NoticeLength);
        (void)written; // nothing to be done about a closed standard error here
    }
}

} // namespace

void InstallInterruptHandler(bool Announce) {
    if (Announce) {
        const bool terminal = ::isatty(STDERR_FILENO) != 0;
        Notice = terminal ? kTerminalNotice : kTerminalNotice + kClearLine;
        NoticeLength = sizeof kTerminalNotice - 1 - (terminal ? 0 : kClearLine);
    }
    for (std::size_t i = 0; i < std::size(kStoppingSignals); ++i) {
        struct sigaction current = {};
        sigaction(kStoppingSignals[i], nullptr, &current);
        Handled[i] = current.sa_handler != SIG_IGN;
    }
    SetHandler(OnInterrupt);
}

bool Interrupted() {
    return InterruptSignal != 0;
}

int InterruptedExitStatus() {
    return 128 + InterruptSignal;
}
