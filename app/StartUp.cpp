#include "StartUp.h"

#include "platform/BuiltinFormats.h"

TStartUp::TMachineryFormats::TMachineryFormats() {
    RegisterBuiltinFormats();
}
