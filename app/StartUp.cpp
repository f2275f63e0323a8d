#include "StartUp.h"

#include "engine/MagickRegistration.h"
#include "platform/BuiltinFormats.h"

TStartUp::TMachineryFormats::TMachineryFormats() {
    RegisterBuiltinFormats();
}

TStartUp::TEngineFormats::TEngineFormats() {
    RegisterMagickFormatTable();
    RegisterNewerMagickFormats();
}
