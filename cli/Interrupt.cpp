#include "Interrupt.h"

#include <csignal>

#include <signal.h>

namespace {

volatile std::sig_atomic_t InterruptFlag = 0;

extern "C" void OnInterrupt(int) {
    InterruptFlag = 1;
}

} // namespace

void InstallInterruptHandler() {
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // Once only: the second Ctrl+C ends the program at once. Outputs are renamed into place
    // whole, so none is left incomplete under its name.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
}

bool Interrupted() {
    return InterruptFlag != 0;
}
