#pragma once
#include <optional>

// State of the three lock keys as the display server reports it.
struct LockKeyState {
    bool capsLock = false;
    bool numLock = false;
    bool scrollLock = false;
};

// The lock keys' state on an X11 display (read through the keyboard extension of the X
// library that the platform plugin already has loaded). std::nullopt where the platform does
// not tell: Wayland, the offscreen and minimal platforms, or an X server without the lock
// indicators.
std::optional<LockKeyState> QueryLockKeyState();
