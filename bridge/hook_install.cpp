#include "bridge/hook_install.h"

#include <stdexcept>
#include <string>

namespace Tovek::KV9Lua {

void installHook(HookRoutine hook, void*& function, void* detour, std::string_view name) {
    if (function != nullptr && hook(&function, detour) && function != nullptr) return;
    std::string failure = "Failed to hook";
    if (!name.empty()) failure.append(" ").append(name);
    throw std::runtime_error(failure);
}

}  // namespace Tovek::KV9Lua
