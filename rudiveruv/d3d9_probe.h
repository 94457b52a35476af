#pragma once

// Finds the Direct3D 9 device's EndScene and Reset: through the game's own device when the
// module is a known build, otherwise from a short-lived device of our own. Every device of a
// process shares one table of virtual functions, so either way gives the game's functions.

#include "bridge/code_scan.h"

#include <boost/function.hpp>

#include <utility>

namespace Zo::KV9RudiVeruv {

struct Addresses {
    void* endScene;  // IDirect3DDevice9 virtual function 42
    void* reset;     // IDirect3DDevice9 virtual function 16
};

// Runs its action, when one is set, as it goes out of scope.
struct ScopeGuard {
    boost::function<void()> action;

    explicit ScopeGuard(boost::function<void()> undo) : action(std::move(undo)) {}
    ~ScopeGuard();
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;
};

// Looks d3d9.dll up but never loads it. Throws std::runtime_error.
Addresses findEndSceneAddress(const TheGameModule& module);

}  // namespace Zo::KV9RudiVeruv
