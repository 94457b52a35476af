#include "hostgame/game/game_replay.h"

#include <windows.h>

#include <stdexcept>
#include <string>

namespace HostGame {

namespace {

template <typename Function>
void lookUp(Function& function, HMODULE module, const char* name) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (function == nullptr) throw std::runtime_error(std::string("MSVCR80.dll has no ") + name);
}

GameRuntime lookUpGameRuntime() {
    const HMODULE module = GetModuleHandleW(L"MSVCR80.dll");
    if (module == nullptr) throw std::runtime_error("MSVCR80.dll is not loaded");
    GameRuntime runtime{};
    lookUp(runtime.wfopen, module, "_wfopen");
    lookUp(runtime.fread, module, "fread");
    lookUp(runtime.fwrite, module, "fwrite");
    lookUp(runtime.ftell, module, "ftell");
    lookUp(runtime.fclose, module, "fclose");
    return runtime;
}

}  // namespace

const GameRuntime& gameRuntime() {
    static const GameRuntime runtime = lookUpGameRuntime();
    return runtime;
}

ReplayFile ReplayFile::create(const std::filesystem::path& path) {
    return ReplayFile(gameRuntime().wfopen(path.c_str(), L"wb+"));
}

ReplayFile ReplayFile::open(const std::filesystem::path& path) {
    return ReplayFile(gameRuntime().wfopen(path.c_str(), L"rb"));
}

ReplayFile::~ReplayFile() {
    if (isOpen()) close();
}

std::size_t ReplayFile::write(std::string_view bytes, std::size_t elementSize) {
    return gameRuntime().fwrite(bytes.data(), elementSize, bytes.size() / elementSize, m_stream);
}

std::string ReplayFile::read(std::size_t count) {
    std::string bytes(count, '\0');
    bytes.resize(gameRuntime().fread(bytes.data(), 1, count, m_stream));
    return bytes;
}

long ReplayFile::position() { return gameRuntime().ftell(m_stream); }

int ReplayFile::close() {
    const int result = gameRuntime().fclose(m_stream);
    m_stream = nullptr;
    return result;
}

}  // namespace HostGame
