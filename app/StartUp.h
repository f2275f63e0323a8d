#pragma once

#include "engine/MagickRegistration.h"

// The modules' start-up in the order the program relies on, and their shut-down in reverse:
// the picture machinery's own formats, then the engine and its formats (members are built in
// declaration order and destroyed in reverse).
class TStartUp {
    struct TMachineryFormats {
        TMachineryFormats();
    };

    TMachineryFormats Machinery;
    TEngineModule Engine;
};
