#pragma once

// A file descriptor owned by one object, closed when the object goes.

#include <unistd.h>

#include <utility>

class TDescriptor {
public:
    explicit TDescriptor(int Descriptor = -1) : FDescriptor(Descriptor) {}
    ~TDescriptor() { Reset(); }
    TDescriptor(TDescriptor&& Other) noexcept : FDescriptor(std::exchange(Other.FDescriptor, -1)) {}
    TDescriptor& operator=(TDescriptor&& Other) noexcept {
        if (this != &Other) {
            Reset(std::exchange(Other.FDescriptor, -1));
        }
        return *this;
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;

    int Descriptor() const { return FDescriptor; }
    bool IsOpen() const { return FDescriptor >= 0; }
    // Closes the descriptor held, if any, and holds Descriptor instead.
    void Reset(int Descriptor = -1) {
        if (FDescriptor >= 0) {
            ::close(FDescriptor);
        }
        FDescriptor = Descriptor;
    }

private:
    int FDescriptor;
};
