#include "hostgame/scenarios/exit_scenarios.h"

#include "hostgame/scenarios/freed_memory_watch.h"
#include "hostgame/game/game_replay.h"
#include "hostgame/game/game_scripts.h"
#include "hostgame/game/game_symbols.h"
#include "hostgame/loader/inline_hook.h"
#include "hostgame/loader/plugin_loader.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace HostGame {

namespace {

constexpr int kChildRuns = 3;
// The exit code of a child in which a call wrote into memory freed as the process ended.
constexpr int kWroteFreedMemory = 21;

// Each child process must end cleanly.
int runChildren(ScenarioChecks& checks, const char* scenario, const wchar_t* child, int runs) {
    const auto dll = freshPluginCopy(scenario);
    for (int run = 1; run <= runs; ++run) {
        const int exit = runSelf(std::wstring(child) + L" \"" + dll.wstring() + L"\"");
        checks.check(exit == 0, "process " + std::to_string(run) + " ended with exit code 0 (got " +
                                    std::to_string(exit) + ")");
    }
    return checks.exitCode();
}

// The game ends right after its last Lua state, while the plug-in's watcher of that state is
// still finishing.
int exitUnderWatcher(ScenarioChecks& checks) {
    return runChildren(checks, "exit_under_watcher", L"--exit-child", kChildRuns);
}

// The game ends while it records a replay: the game's runtime closes the recording in its own
// unload, through the plug-in's fclose detour, after the plug-in's static objects are gone.
int exitWhileRecording(ScenarioChecks& checks) {
    return runChildren(checks, "exit_while_recording", L"--exit-recording-child", 2);
}

constexpr int kWritingChildren = 4;
// The writing thread's chunks: more than the C runtime's buffer each, so every one is written
// through, and a bound that only a process that never ends would reach.
constexpr std::size_t kRecordingChunkSize = 64 * 1024;
constexpr int kRecordingChunks = 1024;

// The game ends while a second thread of it writes a recording: the process's end kills that
// thread wherever it is, also inside the plug-in's fwrite detour, and the game's runtime then
// closes the recording in its own unload, through the plug-in's fclose detour. Each child must
// end by itself; one that hangs is ended at the deadline.
int exitWhileWriting(ScenarioChecks& checks) {
    const auto dll = freshPluginCopy("exit_while_writing");
    const std::vector<std::wstring> children(kWritingChildren,
                                             L"--exit-writing-child \"" + dll.wstring() + L"\"");
    const std::vector<int> codes = runSelvesAtOnce(children, kHangLimit);
    int ended = 0;
    for (std::size_t child = 0; child < codes.size(); ++child) {
        if (codes[child] != kEndedAtDeadline) ++ended;
        checks.check(codes[child] == 0, "process " + std::to_string(child + 1) +
                                            " ended with exit code 0 (got " +
                                            std::to_string(codes[child]) + ")");
    }
    checks.check(ended == kWritingChildren,
                 std::to_string(ended) + " of " + std::to_string(kWritingChildren) +
                     " processes ended within " + std::to_string(kHangLimit.count()) + " s");
    // The recordings are large; the next run starts from an empty folder anyway.
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        if (entry.path().extension() == ".KV9Replay") std::filesystem::remove(entry.path());
    }
    return checks.exitCode();
}

struct WritingRecording {
    ReplayFile* file;
    HANDLE started;
};

// The game's recording thread: chunk after chunk, with no ftell, so the plug-in collects every
// one of them until the process ends.
DWORD WINAPI writeRecording(void* data) {
    const WritingRecording writing = *static_cast<WritingRecording*>(data);
    const std::string chunk(kRecordingChunkSize, 'W');
    for (int count = 0; count < kRecordingChunks; ++count) {
        if (writing.file->write(chunk) != chunk.size()) return 1;
        if (count == 0) SetEvent(writing.started);
    }
    return 0;
}

using FcloseFunction = int(__cdecl*)(FILE* stream);
void* g_fcloseInsideCheck = nullptr;

// Around the game runtime's fclose and the plug-in's detour of it: the detour must not have
// written into memory freed before it ran.
int __cdecl checkedFclose(FILE* stream) {
    const int result = reinterpret_cast<FcloseFunction>(g_fcloseInsideCheck)(stream);
    if (const void* block = firstWrittenFreedBlock()) {
        std::fprintf(stderr, "fclose wrote into the block at %p, freed as the process ended\n",
                     block);
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), kWroteFreedMemory);
    }
    return result;
}

}  // namespace

int runExitChild(const std::filesystem::path& dll) {
    if (!runPlugin(dll, kMinimalCustomData).result) return 11;
    auto state = newGameState();
    assignGlobalFunction(state.get(), "GetFrame", host_base_noop);
    state.reset();  // closes the watch's file: the watcher wakes as the process ends
    return 0;
}

int runExitRecordingChild(const std::filesystem::path& dll) {
    if (!runPlugin(dll, kMinimalCustomData).result) return 11;
    // Never closed by the game: more bytes than a string keeps inside itself, and no ftell, so
    // the plug-in still follows the file when the process ends.
    auto* const recording = new ReplayFile(ReplayFile::create("left_open.KV9Replay"));
    if (!recording->isOpen() || recording->write(std::string(64, 'R')) != 64) return 12;
    g_fcloseInsideCheck = reinterpret_cast<void*>(gameRuntime().fclose);
    if (!installInlineHook(&g_fcloseInsideCheck, reinterpret_cast<void*>(checkedFclose))) {
        return 13;
    }
    if (!quarantineFreedMemory()) return 14;
    return 0;
}

int runExitWritingChild(const std::filesystem::path& dll) {
    if (!runPlugin(dll, R"({"cache": null, "luaPluginData": [{"name": "KV9RudiVeruvPlugin"}]})")
             .result) {
        return 11;
    }
    // Never closed by the game; a name of this process's own beside the other children's.
    const std::wstring name = L"written-" + std::to_wstring(GetCurrentProcessId()) + L".KV9Replay";
    auto* const writing =
        new WritingRecording{new ReplayFile(ReplayFile::create(name)),
                             CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    if (!writing->file->isOpen() || writing->started == nullptr) return 12;
    const HANDLE thread = CreateThread(nullptr, 0, writeRecording, writing, 0, nullptr);
    if (thread == nullptr) return 13;
    // Returns once the thread is at work, and it goes on writing.
    const HANDLE waited[] = {writing->started, thread};
    if (WaitForMultipleObjects(2, waited, FALSE, INFINITE) != WAIT_OBJECT_0) return 14;
    return 0;
}

const std::vector<Scenario>& exitScenarios() {
    static const std::vector<Scenario> scenarios = {{"exit_under_watcher", exitUnderWatcher},
                                                    {"exit_while_recording", exitWhileRecording},
                                                    {"exit_while_writing", exitWhileWriting}};
    return scenarios;
}

}  // namespace HostGame
