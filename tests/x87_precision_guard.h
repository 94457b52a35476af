#pragma once

// Direct3D 9 sets the calling thread's x87 precision to single when it creates a device without
// D3DCREATE_FPU_PRESERVE, as the game's device and the probe's temporary device are created.
// Tests that create devices keep that change from reaching the tests after them.

#include <float.h>

class X87PrecisionGuard {
public:
    X87PrecisionGuard() : m_control(_controlfp(0, 0)) {}
    ~X87PrecisionGuard() { _controlfp(m_control, _MCW_PC); }
    X87PrecisionGuard(const X87PrecisionGuard&) = delete;
    X87PrecisionGuard& operator=(const X87PrecisionGuard&) = delete;

private:
    unsigned int m_control;
};
