#pragma once

// The stand-in game's replay files (".KV9Replay"), recorded and played through the game's own
// C runtime, MSVCR80.dll, as the game does. So a plug-in's detours of that runtime see them.

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace HostGame {

// The functions of MSVCR80.dll that the game's replay code calls.
struct GameRuntime {
    FILE*(__cdecl* wfopen)(const wchar_t* filename, const wchar_t* mode);
    std::size_t(__cdecl* fread)(void* buffer, std::size_t size, std::size_t count, FILE* stream);
    std::size_t(__cdecl* fwrite)(const void* buffer, std::size_t size, std::size_t count,
                                 FILE* stream);
    long(__cdecl* ftell)(FILE* stream);
    int(__cdecl* fclose)(FILE* stream);
};

// Looked up once, on the MSVCR80.dll that the game loads at start, as its import table would
// hold them. Throws std::runtime_error when the module or a function is missing.
const GameRuntime& gameRuntime();

// One replay file the game has open. Closed on destruction unless closed before.
class ReplayFile {
public:
    // A new recording: the game's _wfopen with L"wb+".
    static ReplayFile create(const std::filesystem::path& path);
    // A replay to watch: the game's _wfopen with L"rb".
    static ReplayFile open(const std::filesystem::path& path);
    ~ReplayFile();
    ReplayFile(const ReplayFile&) = delete;
    ReplayFile& operator=(const ReplayFile&) = delete;

    bool isOpen() const { return m_stream != nullptr; }
    // fwrite of the bytes as elements of the size; returns the count fwrite gave.
    std::size_t write(std::string_view bytes, std::size_t elementSize = 1);
    // fread of up to count bytes; returns those read.
    std::string read(std::size_t count);
    long position();
    int close();

private:
    explicit ReplayFile(FILE* stream) : m_stream(stream) {}

    FILE* m_stream;
};

}  // namespace HostGame
