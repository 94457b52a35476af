#pragma once

// Follows the one replay file the game has open, through detours of four functions of the
// game's runtime, and reads the kind of game from the replay's header. The detours call the
// game's own functions with the same arguments and return their results unchanged.

#include "rudiveruv/rudiveruv_state.h"

#include <cstddef>
#include <cstdio>
#include <mutex>
#include <string>

namespace Zo::KV9RudiVeruv {

struct ReplayCapture {
    std::mutex mutex;  // guards every other field; never held with g_stateMutex
    // A parse started and did not succeed: nothing more is captured or parsed for this file.
    bool parseAttempted = false;
    FILE* file = nullptr;  // the game runtime's stream of the captured replay; only compared
    bool writeOpenFailed = false;
    bool isPlayback = false;  // opened for watching rather than recording
    int gameMode = 0;         // 0 until a header parse reads 1, 2 or 3
    std::string buffer;       // the replay's bytes so far, collected until the parse
    bool headerParsed = false;
};

// Detours of the game's _wfopen, fwrite, ftell and fclose. Once the process ends, each leaves
// the capture alone when its lock is held elsewhere (LockUnlessEnding).
FILE* __cdecl hookedWfopen(const wchar_t* filename, const wchar_t* mode);
std::size_t __cdecl hookedFwrite(const void* buffer, std::size_t size, std::size_t count,
                                 FILE* stream);
long __cdecl hookedFtell(FILE* stream);
int __cdecl hookedFclose(FILE* stream);

bool isCapturedReplayFile(FILE* stream);
// Collects bytes until the parse; a buffer that cannot grow ends the capture.
void appendReplayBytes(const char* bytes, std::size_t count);
// Parses the collected bytes once per capture; every failure ends the capture silently.
void parseReplayHeader();
// Back to idle. The caller holds g_replayCapture.mutex.
void resetReplayCapture();

// What the pause-allowed rule reads; each takes the capture's lock for itself. Once the process
// ends, a capture whose lock another thread holds reads as no replay.
bool replayWriteOpenFailed();
bool replayFileCaptured();
bool replayIsPlayback();
int replayGameMode();

}  // namespace Zo::KV9RudiVeruv
