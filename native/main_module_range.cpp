// The program's own image, as the game module is found on Windows: from the first byte the
// linker placed to the end of its zero-filled data.

#include "bridge/code_scan.h"

#include <cstdint>

extern "C" char __executable_start;
extern "C" char _end;

namespace Tovek::KV9Lua {

TheGameModule getMainModuleRange() {
    const auto begin = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&__executable_start));
    const auto end = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&_end));
    return TheGameModule{begin, end, end - begin};
}

}  // namespace Tovek::KV9Lua
