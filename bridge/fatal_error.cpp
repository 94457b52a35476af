#include "bridge/fatal_error.h"

#include <windows.h>

namespace Tovek::KV9Lua {

void showFatalError(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        MessageBoxA(nullptr, e.what(), "Orrin", MB_ICONERROR);
    } catch (...) {
        MessageBoxA(nullptr, "Unknown Exception", "Orrin", MB_ICONERROR);
    }
}

}  // namespace Tovek::KV9Lua
