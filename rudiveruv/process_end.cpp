#include "rudiveruv/process_end.h"

#include "rudiveruv/time_pause_state.h"

#include <chrono>
#include <mutex>
#include <thread>

namespace Zo::KV9RudiVeruv {

std::atomic<bool> g_processEnding{false};

void beginProcessEnd() {
    g_processEnding = true;
    // A watcher already past its check lets go of the lock within moments; one that the ending
    // process killed while it held the lock touches nothing any more.
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (g_stateMutex.try_lock()) {
            g_stateMutex.unlock();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace Zo::KV9RudiVeruv
