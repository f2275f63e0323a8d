#pragma once

// The engine's library checked, for a program that hands every picture to its workers:
// MagickLoaded says, while the object lives, whether the library is there and the right build.
// The engine is not started in this process, so nothing of it (its temporary folder) is left
// behind however the process ends.
class TEngineCheck {
public:
    TEngineCheck();
    ~TEngineCheck();
    TEngineCheck(const TEngineCheck&) = delete;
    TEngineCheck& operator=(const TEngineCheck&) = delete;
};
