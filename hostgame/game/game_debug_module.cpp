#include "hostgame/game/game_debug_module.h"

#include <atomic>
#include <cstring>
#include <stdexcept>

// game_debug_call_sites.S
extern "C" uint8_t host_debug_call_site_A[], host_debug_call_site_A_named[],
    host_debug_call_site_A_end[];
extern "C" uint8_t host_debug_call_site_B[], host_debug_call_site_B_named[],
    host_debug_call_site_B_end[];
extern "C" uint32_t g_debugCallSiteRuns;

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
void castTo(Function& function, FARPROC found) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

template <typename Function>
void lookUpAs(Function& function, ProcAddressLookUp lookUp, HMODULE module, const char* name) {
    castTo(function, lookUp(module, name));
}

// The game's data at an absolute address the code holds at `offset`.
template <typename T>
T* addressIn(const uint8_t* code, std::size_t offset) {
    uint32_t address = 0;
    std::memcpy(&address, code + offset, sizeof address);
    return reinterpret_cast<T*>(static_cast<uintptr_t>(address));
}

// Where the code holds the addresses of the game's two names and of its import slot.
constexpr std::size_t kWithPauseNameOperand = 16;
constexpr std::size_t kPlainNameOperand = 23;
constexpr std::size_t kImportSlotOperand = 31;

// The loop's look-ups, each through the call site's code.
DebugModuleFunctions lookUpThroughCallSite(const DebugModuleCallSite& site) {
    DebugModuleFunctions functions;
    castTo(functions.appendMessageAndPause, site.pickedLookUp(nullptr, true));
    castTo(functions.appendMessage, site.pickedLookUp(nullptr, false));
    castTo(functions.appendAIMessage, site.namedLookUp("AppendAIMessage"));
    castTo(functions.setFrameNumber, site.namedLookUp("SetFrameNumber"));
    castTo(functions.canAppContinue, site.namedLookUp("CanAppContinue"));
    castTo(functions.runAppFast, site.namedLookUp("RunAppFast"));
    castTo(functions.forceAppContinue, site.namedLookUp("ForceAppContinue"));
    return functions;
}

const DebugModuleCallSite& withLookUp(const DebugModuleCallSite& site, ProcAddressLookUp lookUp) {
    if (lookUp != nullptr) *site.importSlot = lookUp;
    return site;
}

}  // namespace

const KnownBuildCode& debugModuleCallSiteLayout(DebugModuleBuild build) {
    return build == DebugModuleBuild::A ? kBuildA : kBuildB;
}

DebugModuleCallSite placeDebugModuleCallSite(DebugModuleBuild build) {
    const KnownBuildCode& layout = debugModuleCallSiteLayout(build);
    const bool a = build == DebugModuleBuild::A;
    const uint8_t* const begin = a ? host_debug_call_site_A : host_debug_call_site_B;
    const uint8_t* const named = a ? host_debug_call_site_A_named : host_debug_call_site_B_named;
    const uint8_t* const end = a ? host_debug_call_site_A_end : host_debug_call_site_B_end;
    if (std::memcmp(begin, layout.code.data(), layout.code.size()) != 0) {
        throw std::logic_error("the assembled call site is not the build's known code");
    }

    const PlacedBuildCode placed = placeKnownBuildCode(layout);
    const std::size_t size = static_cast<std::size_t>(end - begin);
    DWORD was = 0;
    if (!VirtualProtect(placed.code, size, PAGE_EXECUTE_READWRITE, &was)) {
        throw std::runtime_error("the call site's page cannot be made executable");
    }
    std::memcpy(placed.code, begin, size);
    FlushInstructionCache(GetCurrentProcess(), placed.code, size);
    std::strcpy(addressIn<char>(placed.code, kWithPauseNameOperand), "AppendMessageAndPause");
    std::strcpy(addressIn<char>(placed.code, kPlainNameOperand), "AppendMessage");

    DebugModuleCallSite site{reinterpret_cast<HMODULE*>(placed.global), placed.code,
                             addressIn<ProcAddressLookUp>(placed.code, kImportSlotOperand),
                             nullptr, nullptr};
    *site.importSlot = &GetProcAddress;
    castTo(site.pickedLookUp, reinterpret_cast<FARPROC>(placed.code));
    castTo(site.namedLookUp, reinterpret_cast<FARPROC>(placed.code + (named - begin)));
    return site;
}

uint32_t debugCallSiteRuns() {
    return std::atomic_ref(g_debugCallSiteRuns).load();
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

GameLogicLoop::GameLogicLoop(const DebugModuleCallSite& site,
                             std::chrono::milliseconds tickPeriod, ProcAddressLookUp lookUp)
    : m_site(withLookUp(site, lookUp)),
      m_tickPeriod(tickPeriod),
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
    const HMODULE handle = std::atomic_ref(*m_site.handleGlobal).load();
    if (handle != m_lookedUpHandle) {
        m_functions = handle != nullptr ? lookUpThroughCallSite(m_site) : DebugModuleFunctions{};
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
