#pragma once

// Ctrl+C as the Cancel button: the first interrupt only raises a flag that the run reads
// between two files, so the files under way are finished and the summary still printed. A
// second one ends the program at once.
void InstallInterruptHandler();

// True once an interrupt has arrived.
bool Interrupted();
