#include "hostgame/game/game_debug_module.h"

#include <atomic>
#include <cstring>

namespace HostGame {

namespace {

// The code bytes hold the image base 0x400000's addresses: the handle global, the two names and
// the import slot, whose first byte ends the 32.
const KnownBuildCode kBuildA{
    0x9088F0, 0x5CE4C0,
    {0x8B, 0x0D, 0xF0, 0x88, 0xD0, 0x00, 0x85, 0xC9,
     0x74, 0x25, 0x80, 0x7C, 0x24, 0x08, 0x00, 0xB8,
     0x6C, 0x0B, 0xC7, 0x00, 0x75, 0x05, 0xB8, 0x5C,
     0x0B, 0xC7, 0x00, 0x50, 0x51, 0xFF, 0x15, 0x54}};
const KnownBuildCode kBuildB{
    0x91C3C0, 0x5E21A0,
    {0x8B, 0x0D, 0xC0, 0xC3, 0xD1, 0x00, 0x85, 0xC9,
     0x74, 0x25, 0x80, 0x7C, 0x24, 0x08, 0x00, 0xB8,
     0x0C, 0x31, 0xC8, 0x00, 0x75, 0x05, 0xB8, 0xFC,
     0x30, 0xC8, 0x00, 0x50, 0x51, 0xFF, 0x15, 0x54}};

// The game casts what GetProcAddress gives back to the function's own type.
template <typename Function>
void lookUpAs(Function& function, ProcAddressLookUp lookUp, HMODULE module, const char* name) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(lookUp(module, name)));
}

}  // namespace

const KnownBuildCode& debugModuleCallSiteLayout(DebugModuleBuild build) {
    return build == DebugModuleBuild::A ? kBuildA : kBuildB;
}

DebugModuleCallSite placeDebugModuleCallSite(DebugModuleBuild build) {
    const PlacedBuildCode placed = placeKnownBuildCode(debugModuleCallSiteLayout(build));
    return {reinterpret_cast<HMODULE*>(placed.global), placed.code};
}

DebugModuleFunctions lookUpDebugFunctions(HMODULE module, ProcAddressLookUp lookUp) {
    DebugModuleFunctions functions;
    lookUpAs(functions.appendMessageAndPause, lookUp, module, "AppendMessageAndPause");
    lookUpAs(functions.appendMessage, lookUp, module, "AppendMessage");
    lookUpAs(functions.appendAIMessage, lookUp, module, "AppendAIMessage");
    lookUpAs(functions.setFrameNumber, lookUp, module, "SetFrameNumber");
    lookUpAs(functions.canAppContinue, lookUp, module, "CanAppContinue");
    lookUpAs(functions.runAppFast, lookUp, module, "RunAppFast");
    lookUpAs(functions.forceAppContinue, lookUp, module, "ForceAppContinue");
    return functions;
}

GameLogicLoop::GameLogicLoop(HMODULE* handleGlobal, std::chrono::milliseconds tickPeriod,
                             ProcAddressLookUp lookUp)
    : m_handleGlobal(handleGlobal),
      m_tickPeriod(tickPeriod),
      m_lookUp(lookUp),
      m_thread(&GameLogicLoop::run, this) {}

GameLogicLoop::~GameLogicLoop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

GameLogicStatus GameLogicLoop::status() const {
    std::lock_guard lock(m_mutex);
    return m_status;
}

bool GameLogicLoop::waitForTicks(uint64_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    const uint64_t until = m_status.ticks + count;
    return m_changed.wait_for(lock, timeout, [&] { return m_status.ticks >= until; });
}

bool GameLogicLoop::call(GameDebugCall call, const std::string& text) {
    std::unique_lock lock(m_mutex);
    m_pending.push_back({call, text});
    const uint64_t ticket = ++m_callsAsked;
    m_changed.notify_all();
    return m_changed.wait_for(lock, kWaitLimit, [&] { return m_callsMade >= ticket; });
}

void GameLogicLoop::run() {
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        lock.unlock();
        tick();
        lock.lock();
        // A call asked for meanwhile starts the next tick at once.
        m_changed.wait_for(lock, m_tickPeriod, [&] { return m_stopping || !m_pending.empty(); });
    }
}

void GameLogicLoop::tick() {
    // The plug-in writes the handle from the loader's thread while this one runs.
    const HMODULE handle = std::atomic_ref(*m_handleGlobal).load();
    if (handle != m_lookedUpHandle) {
        m_functions = handle != nullptr ? lookUpDebugFunctions(handle, m_lookUp)
                                        : DebugModuleFunctions{};
        m_lookedUpHandle = handle;
    }

    std::vector<PendingCall> calls;
    {
        std::lock_guard lock(m_mutex);
        calls.swap(m_pending);
    }
    if (!calls.empty()) {
        for (const PendingCall& pending : calls) makeCall(pending);
        {
            std::lock_guard lock(m_mutex);
            m_callsMade += calls.size();
        }
        m_changed.notify_all();
    }

    // A paused game runs no frame, whatever RunAppFast would say.
    const bool held = m_functions.canAppContinue && !m_functions.canAppContinue();
    const bool fast = !held && m_functions.runAppFast && m_functions.runAppFast();
    const int frames = held ? 0 : fast ? kFastFramesPerTick : 1;
    int frame = status().frame;  // only this thread changes it
    for (int i = 0; i < frames; ++i) {
        ++frame;
        if (m_functions.setFrameNumber) m_functions.setFrameNumber(frame);
    }

    {
        std::lock_guard lock(m_mutex);
        m_status.frame = frame;
        ++m_status.ticks;
        m_status.heldTicks += held ? 1 : 0;
        m_status.fastTicks += fast ? 1 : 0;
        m_status.debugModule = handle != nullptr;
    }
    m_changed.notify_all();
}

void GameLogicLoop::makeCall(const PendingCall& pending) const {
    const DebugModuleFunctions& f = m_functions;
    switch (pending.call) {
        case GameDebugCall::AppendMessageAndPause:
            if (f.appendMessageAndPause) f.appendMessageAndPause(pending.text.c_str());
            break;
        case GameDebugCall::AppendMessage:
            if (f.appendMessage) f.appendMessage(pending.text.c_str());
            break;
        case GameDebugCall::AppendAIMessage:
            if (f.appendAIMessage) f.appendAIMessage(pending.text.c_str());
            break;
        case GameDebugCall::ForceAppContinue:
            if (f.forceAppContinue) f.forceAppContinue();
            break;
    }
}

}  // namespace HostGame
