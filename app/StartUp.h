#pragma once

#include "engine/EngineCheck.h"
#include "engine/MagickImage.h"

// The modules' start-up in the order the program relies on, and their shut-down in reverse:
// the picture machinery's own formats, then the engine's library, checked, and its formats, the
// table's and then the newer ones (members are built in declaration order and destroyed in
// reverse). The engine itself is not
// started here: the window decodes no picture in its own process, its workers do, so a crash or a
// bomb in a decoder costs a worker, and a killed window leaves no engine's temporary folder.
class TStartUp {
    struct TMachineryFormats {
        TMachineryFormats();
    };
    struct TEngineFormats {
        TEngineFormats();
    };

    TMachineryFormats FMachinery;
    TEngineCheck FEngine;
    TEngineFormats FEngineFormats;
};
