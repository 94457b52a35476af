#pragma once

// The end of the process as the detours see it. The game's runtime and Wine still call them
// after this library's static objects are gone: Wine's msvcr80 closes the streams left open in
// its own unload, through the detoured fclose. So each detour either uses only state that is
// never destroyed (the replay capture, the debug module's controller, the state lock, plain
// values) or checks g_processEnding first and then goes straight to the game's own function.
// ExitProcess ends the other threads before the modules unload, wherever they are: a lock one
// of them held stays held for good, so past that point no detour waits for one (LockUnlessEnding).

#include "rudiveruv/rudiveruv_state.h"

#include <mutex>

namespace Zo::KV9RudiVeruv {

// The lock of a detour, a debug function or a watcher: taken as usual while the process goes
// on, tried once after it began to end. Without it the caller leaves its own state alone and
// goes straight to the game's function, or answers as if there were no plug-in.
template <typename Mutex>
class LockUnlessEnding {
public:
    explicit LockUnlessEnding(Mutex& mutex) : m_lock(mutex, std::defer_lock) {
        if (g_processEnding) {
            m_lock.try_lock();
        } else {
            m_lock.lock();
        }
    }
    bool held() const { return m_lock.owns_lock(); }

private:
    std::unique_lock<Mutex> m_lock;
};

// The exit handler that the plug-in's start registers. It runs before the destructor of every
// object built before the start, and after it a detour or a waking Lua-state watcher touches
// none of them. Waits a moment for a watcher that holds the state lock to let go of it.
void beginProcessEnd();

}  // namespace Zo::KV9RudiVeruv
