#pragma once

#include <QString>

// The folder of the running program's file, without a final "/", decoded losslessly. Files
// that travel with the program (its settings, its help, its helpers) are found from here, so a
// build tree, an installed copy and a copy moved elsewhere all find their own.
QString ProgramFolder();
