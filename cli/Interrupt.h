#pragma once

// Ctrl+C and SIGTERM as the Cancel button: the first only records the signal, which the run reads
// between two files, so the file under way is finished and the summary still printed. A second
// one stops the program at once; no output is lost to that, since every output is written under
// a temporary name and renamed into place only when whole.
// With Announce, the first interrupt says on standard error that the run is stopping.
void InstallInterruptHandler(bool Announce);

// True once an interrupt has arrived.
bool Interrupted();

// The exit status that reports the interrupt: 128 and the signal's number (130 for Ctrl+C).
int InterruptedExitStatus();
