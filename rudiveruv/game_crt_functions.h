#pragma once

// The game's own C runtime functions, looked up once for the replay file's detours.

#include "rudiveruv/rudiveruv_state.h"

#include <windows.h>

#include <cstdarg>
#include <cstddef>
#include <cstdio>

namespace Zo::KV9RudiVeruv {

// The game's own C runtime (MSVCR80.dll), in a fixed order. Its streams belong to that runtime:
// a FILE* from it is handed back to it or compared, never read here.
struct GameCrtFunctions {
    HMODULE module;
    FILE*(__cdecl* wfopen)(const wchar_t* filename, const wchar_t* mode);
    std::size_t(__cdecl* fread)(void* buffer, std::size_t size, std::size_t count, FILE* stream);
    std::size_t(__cdecl* fwrite)(const void* buffer, std::size_t size, std::size_t count,
                                 FILE* stream);
    int(__cdecl* fseek)(FILE* stream, long offset, int origin);
    long(__cdecl* ftell)(FILE* stream);
    int(__cdecl* fclose)(FILE* stream);
    int(__cdecl* vsnprintf)(char* buffer, std::size_t count, const char* format, va_list args);
};

// GetProcAddress(module, name); throws std::runtime_error when the module has no such export.
FARPROC getProcAddressOrThrow(HMODULE module, const char* name);

// The already loaded MSVCR80.dll and its functions. Throws std::runtime_error.
GameCrtFunctions getGameCrtFunctions();

}  // namespace Zo::KV9RudiVeruv
