#include "rudiveruv/rudiveruv_controller.h"

#include "rudiveruv/build_signature.h"
#include "rudiveruv/process_end.h"
#include "rudiveruv/time_pause_edges.h"
#include "rudiveruv/time_pause_state.h"

#include <new>
#include <utility>

namespace Zo::KV9RudiVeruv {

void* g_originalGetProcAddress = nullptr;

namespace {

using GetProcAddressFunction = FARPROC(WINAPI*)(HMODULE, LPCSTR);
using ControllerLock = LockUnlessEnding<std::recursive_mutex>;

// Each build's handle global and the game code that reads it before asking for a debug function.
constexpr BuildSignature kDebugModuleBuilds[] = {
    {0x9088F0, 0x5CE4C0, {0x8B, 0x0D, 0xF0, 0x88, 0xD0, 0x00, 0x85, 0xC9, 0x74, 0x25, 0x80,
                          0x7C, 0x24, 0x08, 0x00, 0xB8, 0x6C, 0x0B, 0xC7, 0x00, 0x75, 0x05,
                          0xB8, 0x5C, 0x0B, 0xC7, 0x00, 0x50, 0x51, 0xFF, 0x15, 0x54}},
    {0x91C3C0, 0x5E21A0, {0x8B, 0x0D, 0xC0, 0xC3, 0xD1, 0x00, 0x85, 0xC9, 0x74, 0x25, 0x80,
                          0x7C, 0x24, 0x08, 0x00, 0xB8, 0x0C, 0x31, 0xC8, 0x00, 0x75, 0x05,
                          0xB8, 0xFC, 0x30, 0xC8, 0x00, 0x50, 0x51, 0xFF, 0x15, 0x54}},
};

// The game casts the address back to the function's own type before calling it.
template <typename Function>
FARPROC exported(Function function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(function));
}

// The caller holds the controller's mutex. The text is built even when nobody takes it.
void appendGameMessage(RudiVeruvController& controller, const char* prefix, const char* text) {
    std::string message = prefix;
    message += text;
    if (controller.appendMessage) controller.appendMessage(std::move(message));
}

}  // namespace

// Built in this library's own static storage, so that the fake handle lies inside the module,
// and never destroyed: GetProcAddress and the debug functions may be called at any point of
// exit.
RudiVeruvController& RudiVeruvController::instance() {
    alignas(RudiVeruvController) static unsigned char storage[sizeof(RudiVeruvController)];
    static RudiVeruvController& controller = *new (storage) RudiVeruvController();
    return controller;
}

uint32_t findDebugModuleHandleGlobal(const TheGameModule& module) {
    for (const BuildSignature& build : kDebugModuleBuilds) {
        if (const uint32_t global = findBuildGlobal(module, build)) return global;
    }
    return 0;
}

void RudiVeruvController::install(const TheGameModule& module, const HookRoutine& hook) {
    std::lock_guard lock(mutex);
    if (installed) return;
    const uint32_t handleGlobal = findDebugModuleHandleGlobal(module);
    if (handleGlobal == 0) return;  // not a known build: the game runs without a debug module

    using namespace std::string_view_literals;
    exportTable.clear();
    exportTable.emplace("AppendMessageAndPause"sv, exported(AppendMessageAndPause));
    exportTable.emplace("AppendMessage"sv, exported(AppendMessage));
    exportTable.emplace("AppendAIMessage"sv, exported(AppendAIMessage));
    exportTable.emplace("SetFrameNumber"sv, exported(SetFrameNumber));
    exportTable.emplace("CanAppContinue"sv, exported(CanAppContinue));
    exportTable.emplace("RunAppFast"sv, exported(RunAppFast));
    exportTable.emplace("ForceAppContinue"sv, exported(ForceAppContinue));

    const HMODULE kernel32 = GetModuleHandleW(L"Kernel32.dll");
    if (kernel32 == nullptr) return;
    g_originalGetProcAddress = reinterpret_cast<void*>(GetProcAddress(kernel32, "GetProcAddress"));
    const bool ok =
        hook(&g_originalGetProcAddress, reinterpret_cast<void*>(hookedGetProcAddress));
    // Written even when the hook failed: the game's look-ups then reach the real GetProcAddress
    // with the fake handle and find nothing.
    *reinterpret_cast<RudiVeruvController**>(handleGlobal) = this;
    installed = ok;
}

FARPROC WINAPI hookedGetProcAddress(HMODULE module, LPCSTR name) {
    RudiVeruvController& controller = RudiVeruvController::instance();
    const auto gameGetProcAddress =
        reinterpret_cast<GetProcAddressFunction>(g_originalGetProcAddress);
    if (module != reinterpret_cast<HMODULE>(&controller)) return gameGetProcAddress(module, name);
    const ControllerLock lock(controller.mutex);
    // As when the hook failed: the fake handle then finds nothing.
    if (!lock.held()) return gameGetProcAddress(module, name);
    if (IS_INTRESOURCE(name)) return nullptr;  // an ordinal: the fake module exports by name only
    const auto found = controller.exportTable.find(std::string_view(name));
    return found == controller.exportTable.end() ? nullptr : found->second;
}

void __cdecl AppendMessageAndPause(const char* text) {
    RudiVeruvController& controller = RudiVeruvController::instance();
    const ControllerLock lock(controller.mutex);
    if (!lock.held()) return;
    appendGameMessage(controller, "[Game] ", text);
    if (controller.setPaused) controller.setPaused(true);
}

void __cdecl AppendMessage(const char* text) {
    RudiVeruvController& controller = RudiVeruvController::instance();
    const ControllerLock lock(controller.mutex);
    if (!lock.held()) return;
    appendGameMessage(controller, "[Game] ", text);
}

void __cdecl AppendAIMessage(const char* text) {
    RudiVeruvController& controller = RudiVeruvController::instance();
    const ControllerLock lock(controller.mutex);
    if (!lock.held()) return;
    appendGameMessage(controller, "[AI] ", text);
}

void __cdecl SetFrameNumber(int frame) {
    RudiVeruvController& controller = RudiVeruvController::instance();
    const ControllerLock lock(controller.mutex);
    if (!lock.held()) return;
    if (controller.setFrameNumber) controller.setFrameNumber(frame);
}

bool __cdecl CanAppContinue() {
    RudiVeruvController& controller = RudiVeruvController::instance();
    const ControllerLock lock(controller.mutex);
    if (!lock.held()) return true;
    return controller.isPaused ? !controller.isPaused() : true;
}

bool __cdecl RunAppFast() {
    RudiVeruvController& controller = RudiVeruvController::instance();
    const ControllerLock lock(controller.mutex);
    if (!lock.held()) return false;
    return controller.isFastForwarding ? controller.isFastForwarding() : false;
}

void __cdecl ForceAppContinue() {
    RudiVeruvController& controller = RudiVeruvController::instance();
    const ControllerLock lock(controller.mutex);
    if (!lock.held()) return;
    if (controller.setPaused) controller.setPaused(false);
}

bool isPausedCallback() { return g_rudiVeruvd.load(); }

bool isFastForwardingCallback() { return g_runFast.load(); }

void setPausedCallback(bool paused) { g_rudiVeruvd.exchange(paused); }

void setFrameNumberCallback(int frame) {
    const LockUnlessEnding lock(g_stateMutex);
    if (!lock.held()) return;
    g_logicFrame = frame;
    // Game time is a single-precision quotient. Through memory, so that the x87 unit rounds it
    // to float before it is widened.
    const volatile float seconds = static_cast<float>(frame) / 15.0f;
    g_gameTime = seconds;
    // Stop fast-forward once the target is less than a second ahead, or passed.
    if (g_fastForwardTarget > 0.0f && g_runFast.load() &&
        1.0 > static_cast<double>(g_fastForwardTarget) - g_gameTime) {
        g_runFast.exchange(false);
    }
}

// The Output log is gone once the process ends.
void appendMessageCallback(std::string message) {
    if (g_processEnding || !g_timePauseEdges.logGameMessage) return;
    g_timePauseEdges.logGameMessage(std::move(message));
}

void initializeGameDebugModule(const TheGameModule& module, HookRoutine hook) {
    RudiVeruvController& controller = RudiVeruvController::instance();
    std::lock_guard lock(controller.mutex);
    controller.isPaused = isPausedCallback;
    controller.isFastForwarding = isFastForwardingCallback;
    controller.setPaused = setPausedCallback;
    controller.setFrameNumber = setFrameNumberCallback;
    controller.appendMessage = appendMessageCallback;
    controller.install(module, hook);
}

}  // namespace Zo::KV9RudiVeruv
