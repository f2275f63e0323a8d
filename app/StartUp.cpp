#include "StartUp.h"

#include "engine/MagickRegistration.h"
#include "graphics/BuiltinFormats.h"

TStartUp::TMachineryFormats::TMachineryFormats() {
    RegisterBuiltinFormats();
}

TStartUp::TEngineFormats::TEngineFormats() {
    RegisterMagickFormatTable();
    RegisterNewerMagickFormats();
}
