#pragma once

#include "bridge/kv9_lua.h"

#include <cstdint>
#include <vector>

namespace HostGame {

// One field of a located Lua API beside the stand-in game's own function for it.
struct ApiField {
    const char* name;
    uintptr_t found;
    uintptr_t expected;
};

std::vector<ApiField> standInApiFields(const Tovek::KV9Lua::KV9Lua& api);

}  // namespace HostGame
