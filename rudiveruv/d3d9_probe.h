#pragma once

// Finds the Direct3D 9 device's EndScene and Reset: through the game's own device when the
// module is a known build, otherwise from a short-lived device of our own. Every device of a
// process shares one table of virtual functions, so either way gives the game's functions.

#include "bridge/code_scan.h"
#include "rudiveruv/scope_guard.h"

namespace Zo::KV9RudiVeruv {

struct Addresses {
    void* endScene;  // IDirect3DDevice9 virtual function 42
    void* reset;     // IDirect3DDevice9 virtual function 16
};

// Looks d3d9.dll up but never loads it. Throws std::runtime_error.
Addresses findEndSceneAddress(const TheGameModule& module);

}  // namespace Zo::KV9RudiVeruv
