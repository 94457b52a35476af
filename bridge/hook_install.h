#pragma once

// The one way the plug-in detours a function through the host's hook routine.

#include "bridge/plugin_host_api.h"

#include <string_view>

namespace Tovek::KV9Lua {

// Detours the function that `function` holds; afterwards `function` leads back into its own code.
// Throws "Failed to hook", followed by a space and the name when one is given, when there is no
// function, the routine refuses, or it leaves no way back in the variable.
void installHook(HookRoutine hook, void*& function, void* detour, std::string_view name = {});

template <typename Function>
void installHook(HookRoutine hook, Function*& function, Function* detour,
                 std::string_view name = {}) {
    installHook(hook, reinterpret_cast<void*&>(function), reinterpret_cast<void*>(detour), name);
}

}  // namespace Tovek::KV9Lua
