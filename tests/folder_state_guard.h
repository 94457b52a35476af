#pragma once

// One guard per folder for the tests that change its process-wide state (bridge_state.h,
// rudiveruv_state.h, overlay_state.h): it saves the folder's whole state when built and puts it
// back when destroyed, so also after a failed assertion has ended the test. An object that a
// global owns (the setglobal callbacks, the shared-data context) is taken aside whole: the test
// starts without one. Constants and locks are not state, nor is the overlay's start on the
// game's device and window (g_overlayStartResult, g_gameWindow, g_originalWndProc,
// g_overlayTakesInput): it happens once per process and stays. What only the Windows build
// defines is saved there only.

#include "overlay/camera_profile.h"
#include "overlay/lua_functions_state.h"
#include "overlay/output_log.h"
#include "overlay/overlay_state.h"
#include "overlay/toolkit_input_queue.h"
#include "rudiveruv/rudiveruv_state.h"

#ifdef _WIN32
#include "bridge/bridge_state.h"
#include "bridge/shared_data.h"
#include "rudiveruv/game_crt_functions.h"
#include "rudiveruv/replay_capture.h"
#include "rudiveruv/rudiveruv_controller.h"
#include "rudiveruv/time_pause_edges.h"
#endif

#include <atomic>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

// One global's value, put back on destruction.
template <typename T>
class SavedGlobal {
public:
    explicit SavedGlobal(T& global) : m_global(global), m_saved(global) {}
    ~SavedGlobal() { m_global = std::move(m_saved); }
    SavedGlobal(const SavedGlobal&) = delete;
    SavedGlobal& operator=(const SavedGlobal&) = delete;

private:
    T& m_global;
    T m_saved;
};

template <typename T>
class SavedGlobal<std::atomic<T>> {
public:
    explicit SavedGlobal(std::atomic<T>& global) : m_global(global), m_saved(global.load()) {}
    ~SavedGlobal() { m_global.store(m_saved); }
    SavedGlobal(const SavedGlobal&) = delete;
    SavedGlobal& operator=(const SavedGlobal&) = delete;

private:
    std::atomic<T>& m_global;
    T m_saved;
};

// The owned object itself moves aside, and back over whatever the test left.
template <typename T>
class SavedGlobal<std::unique_ptr<T>> {
public:
    explicit SavedGlobal(std::unique_ptr<T>& global)
        : m_global(global), m_saved(std::move(global)) {}
    ~SavedGlobal() { m_global = std::move(m_saved); }
    SavedGlobal(const SavedGlobal&) = delete;
    SavedGlobal& operator=(const SavedGlobal&) = delete;

private:
    std::unique_ptr<T>& m_global;
    std::unique_ptr<T> m_saved;
};

// Holds g_stateMutex while the members declared after it save and restore: the guard's
// constructor body lets go of it, and its destructor body takes it again.
class StateLockWhileSaving {
public:
    StateLockWhileSaving() { Zo::KV9RudiVeruv::g_stateMutex.lock(); }
    ~StateLockWhileSaving() { Zo::KV9RudiVeruv::g_stateMutex.unlock(); }
    StateLockWhileSaving(const StateLockWhileSaving&) = delete;
    StateLockWhileSaving& operator=(const StateLockWhileSaving&) = delete;
    void release() { Zo::KV9RudiVeruv::g_stateMutex.unlock(); }
    void retake() { Zo::KV9RudiVeruv::g_stateMutex.lock(); }
};

#ifdef _WIN32
class BridgeStateGuard {
public:
    BridgeStateGuard() = default;
    BridgeStateGuard(const BridgeStateGuard&) = delete;
    BridgeStateGuard& operator=(const BridgeStateGuard&) = delete;

private:
    template <typename T>
    using Saved = SavedGlobal<T>;
    Saved<std::atomic<int>> m_bridgeInitCalled{Tovek::KV9Lua::g_bridgeInitCalled};
    Saved<std::atomic<bool>> m_isExpansion{Tovek::KV9Lua::g_isExpansion};
    Saved<Tovek::KV9Lua::KV9Lua> m_kv9Lua{Tovek::KV9Lua::g_kv9Lua};
    Saved<uint32_t> m_thisPlayerGlobal{Tovek::KV9Lua::g_thisPlayerGlobal};
    Saved<std::vector<Tovek::KV9Lua::LuaDefine>> m_defines{Tovek::KV9Lua::g_defines};
    Saved<std::unique_ptr<Tovek::KV9Lua::SetglobalCallbacks>> m_setglobalCallbacks{
        Tovek::KV9Lua::g_setglobalCallbacks};
    Saved<std::atomic<Tovek::KV9Lua::InitState>> m_startupOutcome{
        Tovek::KV9Lua::g_setglobalDetourContext.startupOutcome};
    Saved<void (*)(const char*)> m_hostLog{Tovek::KV9Lua::g_setglobalDetourContext.hostLog};
    Saved<std::vector<void (*)(Tovek::KV9Lua::LuaState*)>> m_pluginLuaStateEntries{
        Tovek::KV9Lua::g_pluginLuaStateEntries};
    Saved<std::unique_ptr<Tovek::KV9Lua::SharedDataContext>> m_sharedDataContext{
        Tovek::KV9Lua::g_sharedDataContext};
    Saved<std::atomic<uint32_t>> m_gameObjectsGlobal{Tovek::KV9Lua::g_gameObjectsGlobal};
    Saved<uint32_t> m_gameSyncObject{Tovek::KV9Lua::g_gameSyncObject};
    Saved<uint32_t> m_gameLockArgument{Tovek::KV9Lua::g_gameLockArgument};
    Saved<Tovek::KV9Lua::GameLockFunction> m_gameLock{Tovek::KV9Lua::g_gameLock};
    Saved<Tovek::KV9Lua::GameLockFunction> m_gameUnlock{Tovek::KV9Lua::g_gameUnlock};
    Saved<std::atomic<uint32_t>> m_animationLuaGlobal{Tovek::KV9Lua::g_animationLuaGlobal};
};

// An object with a lock of its own: the fields that copyFields copies under both objects' locks
// go aside and come back, never together with g_stateMutex.
template <typename T, void (*copyFields)(T& from, T& to)>
class SavedLockedFields {
public:
    explicit SavedLockedFields(T& global) : m_global(global) { copyFields(m_global, m_saved); }
    ~SavedLockedFields() { copyFields(m_saved, m_global); }
    SavedLockedFields(const SavedLockedFields&) = delete;
    SavedLockedFields& operator=(const SavedLockedFields&) = delete;

private:
    T& m_global;
    T m_saved;
};

// The replay capture's state.
inline void copyReplayCaptureFields(Zo::KV9RudiVeruv::ReplayCapture& from,
                                    Zo::KV9RudiVeruv::ReplayCapture& to) {
    std::scoped_lock lock(from.mutex, to.mutex);
    to.parseAttempted = from.parseAttempted;
    to.file = from.file;
    to.writeOpenFailed = from.writeOpenFailed;
    to.isPlayback = from.isPlayback;
    to.gameMode = from.gameMode;
    to.buffer = from.buffer;
    to.headerParsed = from.headerParsed;
}

// The debug module's five callables; its controller's lock comes before g_stateMutex in the
// lock order.
inline void copyControllerCallables(Zo::KV9RudiVeruv::RudiVeruvController& from,
                                    Zo::KV9RudiVeruv::RudiVeruvController& to) {
    std::scoped_lock lock(from.mutex, to.mutex);
    to.isPaused = from.isPaused;
    to.isFastForwarding = from.isFastForwarding;
    to.setFrameNumber = from.setFrameNumber;
    to.setPaused = from.setPaused;
    to.appendMessage = from.appendMessage;
}
#endif

class RudiVeruvStateGuard {
public:
    RudiVeruvStateGuard() { m_lock.release(); }
    ~RudiVeruvStateGuard() { m_lock.retake(); }
    RudiVeruvStateGuard(const RudiVeruvStateGuard&) = delete;
    RudiVeruvStateGuard& operator=(const RudiVeruvStateGuard&) = delete;

private:
    template <typename T>
    using Saved = SavedGlobal<T>;
#ifdef _WIN32
    SavedLockedFields<Zo::KV9RudiVeruv::ReplayCapture, copyReplayCaptureFields> m_replayCapture{
        Zo::KV9RudiVeruv::g_replayCapture};
    SavedLockedFields<Zo::KV9RudiVeruv::RudiVeruvController, copyControllerCallables>
        m_controllerCallables{Zo::KV9RudiVeruv::RudiVeruvController::instance()};
#endif
    StateLockWhileSaving m_lock;
    Saved<std::atomic<bool>> m_rudiVeruvd{Zo::KV9RudiVeruv::g_rudiVeruvd};
    Saved<std::atomic<bool>> m_runFast{Zo::KV9RudiVeruv::g_runFast};
    Saved<double> m_gameTime{Zo::KV9RudiVeruv::g_gameTime};
    Saved<int> m_logicFrame{Zo::KV9RudiVeruv::g_logicFrame};
    Saved<float> m_fastForwardTarget{Zo::KV9RudiVeruv::g_fastForwardTarget};
    Saved<bool> m_rudiVeruvAllowed{Zo::KV9RudiVeruv::g_rudiVeruvAllowed};
    Saved<bool> m_luaWindowAvailable{Zo::KV9RudiVeruv::g_luaWindowAvailable};
    Saved<std::atomic<bool>> m_processEnding{Zo::KV9RudiVeruv::g_processEnding};
#ifdef _WIN32
    Saved<std::atomic<int>> m_rudiVeruvInitCalled{Zo::KV9RudiVeruv::g_rudiVeruvInitCalled};
    Saved<bool> m_debugModuleInitialized{Zo::KV9RudiVeruv::g_debugModuleInitialized};
    Saved<Zo::KV9RudiVeruv::TimePauseEdges> m_timePauseEdges{Zo::KV9RudiVeruv::g_timePauseEdges};
    Saved<void*> m_originalGetProcAddress{Zo::KV9RudiVeruv::g_originalGetProcAddress};
    Saved<void*> m_originalEndScene{Zo::KV9RudiVeruv::g_originalEndScene};
    Saved<void*> m_originalReset{Zo::KV9RudiVeruv::g_originalReset};
    Saved<Tovek::KV9Lua::KV9Lua> m_rudiVeruvLua{Zo::KV9RudiVeruv::g_rudiVeruvLua};
    Saved<Tovek::KV9Lua::lua_CFunction> m_luaDostring{Zo::KV9RudiVeruv::g_luaDostring};
    Saved<uint32_t> m_checkerRandomId{Zo::KV9RudiVeruv::g_checkerRandomId};
    Saved<std::atomic<Tovek::KV9Lua::LuaState*>> m_gameLuaState{
        Zo::KV9RudiVeruv::g_gameLuaState};
    Saved<std::atomic<int>> m_checkerCounter{Zo::KV9RudiVeruv::g_checkerCounter};
    Saved<Zo::KV9RudiVeruv::GameCrtFunctions> m_gameCrt{Zo::KV9RudiVeruv::g_gameCrt};
#endif
};

// The queued messages and the capture; it has its own lock.
class SavedToolkitInput {
public:
    SavedToolkitInput()
        : m_messages(Zo::KV9RudiVeruv::g_toolkitInput.takeAll()),
          m_capture(Zo::KV9RudiVeruv::g_toolkitInput.capture()) {
        for (const Zo::KV9RudiVeruv::WindowMessage& message : m_messages) {
            Zo::KV9RudiVeruv::g_toolkitInput.post(message);
        }
    }
    ~SavedToolkitInput() {
        Zo::KV9RudiVeruv::g_toolkitInput.takeAll();
        for (const Zo::KV9RudiVeruv::WindowMessage& message : m_messages) {
            Zo::KV9RudiVeruv::g_toolkitInput.post(message);
        }
        Zo::KV9RudiVeruv::g_toolkitInput.setCapture(m_capture);
    }
    SavedToolkitInput(const SavedToolkitInput&) = delete;
    SavedToolkitInput& operator=(const SavedToolkitInput&) = delete;

private:
    std::vector<Zo::KV9RudiVeruv::WindowMessage> m_messages;
    Zo::KV9RudiVeruv::ToolkitCapture m_capture;
};

class OverlayStateGuard {
public:
    OverlayStateGuard() { m_lock.release(); }
    ~OverlayStateGuard() { m_lock.retake(); }
    OverlayStateGuard(const OverlayStateGuard&) = delete;
    OverlayStateGuard& operator=(const OverlayStateGuard&) = delete;

private:
    template <typename T>
    using Saved = SavedGlobal<T>;
    SavedToolkitInput m_toolkitInput;
    StateLockWhileSaving m_lock;
    Saved<bool> m_overlayVisible{Zo::KV9RudiVeruv::g_overlayVisible};
    Saved<std::map<std::string, std::function<void()>>> m_frameCallbacks{
        Zo::KV9RudiVeruv::g_frameCallbacks};
    Saved<char> m_hotkeyDisplay{Zo::KV9RudiVeruv::g_hotkeyDisplay};
    Saved<char> m_hotkeyPause{Zo::KV9RudiVeruv::g_hotkeyPause};
    Saved<char> m_hotkeyAnimation{Zo::KV9RudiVeruv::g_hotkeyAnimation};
    Saved<std::vector<Zo::KV9RudiVeruv::CameraProfile>> m_cameraProfiles{
        Zo::KV9RudiVeruv::g_cameraProfiles};
    Saved<Zo::KV9RudiVeruv::CameraProfile> m_currentProfile{Zo::KV9RudiVeruv::g_currentProfile};
    Saved<int32_t> m_currentProfileIndex{Zo::KV9RudiVeruv::g_currentProfileIndex};
    Saved<std::wstring> m_configPath{Zo::KV9RudiVeruv::g_configPath};
    Saved<std::string> m_configStatusText{Zo::KV9RudiVeruv::g_configStatusText};
    Saved<std::string> m_configStatusDetail{Zo::KV9RudiVeruv::g_configStatusDetail};
    Saved<bool> m_configFileNotRead{Zo::KV9RudiVeruv::g_configFileNotRead};
    Saved<std::wstring> m_configKeptCopy{Zo::KV9RudiVeruv::g_configKeptCopy};
    Saved<boost::circular_buffer<Zo::KV9RudiVeruv::OutputLogEntry>> m_outputLog{
        Zo::KV9RudiVeruv::g_outputLog};
    Saved<bool> m_cameraControlEnabled{Zo::KV9RudiVeruv::g_cameraControlEnabled};
    Saved<bool> m_cameraCodePatched{Zo::KV9RudiVeruv::g_cameraCodePatched};
    Saved<bool> m_hideHealthBars{Zo::KV9RudiVeruv::g_hideHealthBars};
    Saved<bool> m_hideSilhouettes{Zo::KV9RudiVeruv::g_hideSilhouettes};
    Saved<Zo::KV9RudiVeruv::PlayerColorTable> m_playerColorTable{
        Zo::KV9RudiVeruv::g_playerColorTable};
    Saved<Zo::KV9RudiVeruv::TeamPlayerList> m_teamPlayerList{Zo::KV9RudiVeruv::g_teamPlayerList};
    Saved<bool> m_gameInputEnabled{Zo::KV9RudiVeruv::g_gameInputEnabled};
#ifdef _WIN32
    Saved<bool> m_overlayTookMouseCapture{Zo::KV9RudiVeruv::g_overlayTookMouseCapture};
#endif
};
