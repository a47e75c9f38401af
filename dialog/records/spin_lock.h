// The busy-waiting lock of the registry and of the font table. Private to
// the records library.
#pragma once

#include <windows.h>

// Holds a lock word: taken by exchanging it with -1, at once and again,
// until the old value is 0; given back by storing 0.
class SpinGuard {
public:
    explicit SpinGuard(volatile LONG& word) : word_(word) {
        while (InterlockedExchange(&word_, -1) != 0) {}
    }
    ~SpinGuard() { InterlockedExchange(&word_, 0); }
    SpinGuard(const SpinGuard&) = delete;
    SpinGuard& operator=(const SpinGuard&) = delete;

private:
    volatile LONG& word_;
};
