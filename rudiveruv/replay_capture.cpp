#include "rudiveruv/replay_capture.h"

#include "rudiveruv/game_crt_functions.h"
#include "rudiveruv/process_end.h"
#include "rudiveruv/replay_header.h"

#include <algorithm>
#include <array>
#include <locale>
#include <string_view>

namespace Zo::KV9RudiVeruv {

// Never destroyed: the game's runtime closes the streams still open in its own unload, through
// the fclose detour, after this library's static objects are gone.
ReplayCapture& g_replayCapture = *new ReplayCapture();

namespace {

constexpr std::wstring_view kReplayExtension = L".KV9Replay";
// Enough of a replay's start to hold its header.
constexpr std::size_t kPlaybackHeadSize = 4096;

// A name that is the extension alone does not count.
bool isReplayFileName(const wchar_t* filename) {
    if (filename == nullptr) return false;
    const std::wstring_view name(filename);
    if (name.size() <= kReplayExtension.size()) return false;
    const auto& ctype = std::use_facet<std::ctype<wchar_t>>(std::locale());
    const std::wstring_view tail = name.substr(name.size() - kReplayExtension.size());
    const auto sameLetter = [&ctype](wchar_t a, wchar_t b) {
        return ctype.toupper(a) == ctype.toupper(b);
    };
    return std::equal(tail.begin(), tail.end(), kReplayExtension.begin(), sameLetter);
}

using CaptureLock = LockUnlessEnding<std::mutex>;

// The caller holds the capture's lock.
bool followsFile(FILE* stream) {
    return !g_replayCapture.parseAttempted && stream == g_replayCapture.file;
}

void startRecordingCapture(FILE* stream) {
    const CaptureLock lock(g_replayCapture.mutex);
    if (!lock.held()) return;
    resetReplayCapture();
    if (stream == nullptr) {
        g_replayCapture.writeOpenFailed = true;
        return;
    }
    g_replayCapture.isPlayback = false;
    g_replayCapture.file = stream;
}

void startPlaybackCapture(FILE* stream) {
    {
        const CaptureLock lock(g_replayCapture.mutex);
        if (!lock.held()) return;
        resetReplayCapture();
        g_replayCapture.isPlayback = true;
        g_replayCapture.file = stream;
    }
    if (stream == nullptr) return;
    // The game reads the file from the start afterwards, as if nobody had looked.
    std::array<char, kPlaybackHeadSize> head{};
    const std::size_t count = g_gameCrt.fread(head.data(), 1, head.size(), stream);
    g_gameCrt.fseek(stream, 0, SEEK_SET);
    appendReplayBytes(head.data(), count);
    parseReplayHeader();
}

}  // namespace

FILE* __cdecl hookedWfopen(const wchar_t* filename, const wchar_t* mode) {
    FILE* const result = g_gameCrt.wfopen(filename, mode);
    if (mode == nullptr || !isReplayFileName(filename)) return result;
    const std::wstring_view openMode(mode);
    if (openMode == L"wb+") {
        startRecordingCapture(result);
    } else if (openMode == L"rb") {
        startPlaybackCapture(result);
    }
    return result;
}

std::size_t __cdecl hookedFwrite(const void* buffer, std::size_t size, std::size_t count,
                                 FILE* stream) {
    if (buffer != nullptr && isCapturedReplayFile(stream)) {
        appendReplayBytes(static_cast<const char*>(buffer), size * count);  // wraps at 32 bits
    }
    return g_gameCrt.fwrite(buffer, size, count, stream);
}

// While recording, the game's first ftell on the replay comes once the header is written.
long __cdecl hookedFtell(FILE* stream) {
    if (isCapturedReplayFile(stream)) parseReplayHeader();
    return g_gameCrt.ftell(stream);
}

int __cdecl hookedFclose(FILE* stream) {
    {
        const CaptureLock lock(g_replayCapture.mutex);
        if (lock.held() && followsFile(stream)) resetReplayCapture();
    }
    return g_gameCrt.fclose(stream);
}

bool isCapturedReplayFile(FILE* stream) {
    const CaptureLock lock(g_replayCapture.mutex);
    return lock.held() && followsFile(stream);
}

void appendReplayBytes(const char* bytes, std::size_t count) {
    const CaptureLock lock(g_replayCapture.mutex);
    if (!lock.held() || g_replayCapture.headerParsed || g_replayCapture.parseAttempted) return;
    try {
        g_replayCapture.buffer.append(bytes, count);
    } catch (...) {
        g_replayCapture.parseAttempted = true;
    }
}

void parseReplayHeader() {
    const CaptureLock lock(g_replayCapture.mutex);
    if (!lock.held() || g_replayCapture.headerParsed || g_replayCapture.parseAttempted) return;
    g_replayCapture.parseAttempted = true;  // stays set on every way out but success
    try {
        if (parseReplayHeader(g_replayCapture.buffer, g_replayCapture.gameMode)) {
            g_replayCapture.headerParsed = true;
            g_replayCapture.parseAttempted = false;
        }
    } catch (...) {
        // A parse that cannot finish ends the capture like a malformed header.
    }
}

void resetReplayCapture() {
    g_replayCapture.parseAttempted = false;
    g_replayCapture.writeOpenFailed = false;
    g_replayCapture.isPlayback = false;
    g_replayCapture.headerParsed = false;
    g_replayCapture.file = nullptr;
    g_replayCapture.gameMode = 0;
    g_replayCapture.buffer.clear();
}

bool replayWriteOpenFailed() {
    const CaptureLock lock(g_replayCapture.mutex);
    return lock.held() && g_replayCapture.writeOpenFailed;
}

bool replayFileCaptured() {
    const CaptureLock lock(g_replayCapture.mutex);
    return lock.held() && g_replayCapture.file != nullptr;
}

bool replayIsPlayback() {
    const CaptureLock lock(g_replayCapture.mutex);
    return lock.held() && g_replayCapture.isPlayback;
}

int replayGameMode() {
    const CaptureLock lock(g_replayCapture.mutex);
    return lock.held() ? g_replayCapture.gameMode : 0;
}

}  // namespace Zo::KV9RudiVeruv
