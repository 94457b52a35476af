#include "rudiveruv/game_crt_functions.h"

#include <stdexcept>
#include <string>

namespace Zo::KV9RudiVeruv {

GameCrtFunctions g_gameCrt{};

namespace {

template <typename Function>
void lookUp(HMODULE module, const char* name, Function& field) {
    const FARPROC address = getProcAddressOrThrow(module, name);
    field = reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

}  // namespace

FARPROC getProcAddressOrThrow(HMODULE module, const char* name) {
    const FARPROC address = GetProcAddress(module, name);
    if (address == nullptr) {
        throw std::runtime_error(std::string("Failed to get address of ") + name);
    }
    return address;
}

GameCrtFunctions getGameCrtFunctions() {
    GameCrtFunctions crt{};
    crt.module = GetModuleHandleW(L"MSVCR80.dll");
    if (crt.module == nullptr) {
        throw std::runtime_error("Failed to retrieve KV9's Visual C++ 2005 module");
    }
    lookUp(crt.module, "_wfopen", crt.wfopen);
    lookUp(crt.module, "fread", crt.fread);
    lookUp(crt.module, "fwrite", crt.fwrite);
    lookUp(crt.module, "fseek", crt.fseek);
    lookUp(crt.module, "ftell", crt.ftell);
    lookUp(crt.module, "fclose", crt.fclose);
    lookUp(crt.module, "_vsnprintf", crt.vsnprintf);
    return crt;
}

}  // namespace Zo::KV9RudiVeruv
