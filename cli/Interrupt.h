#pragma once

// Ctrl+C as the Cancel button: the first interrupt only raises a flag that the run reads
// between two files, so the file under way is finished and the summary still printed.
void InstallInterruptHandler();

// True once an interrupt has arrived.
bool Interrupted();
