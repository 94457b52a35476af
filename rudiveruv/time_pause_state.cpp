#include "rudiveruv/time_pause_state.h"

namespace Zo::KV9RudiVeruv {

// Never destroyed: the detours take it at any point of the process's end.
std::recursive_mutex& g_stateMutex = *new std::recursive_mutex();

std::atomic<bool> g_rudiVeruvd{false};
std::atomic<bool> g_runFast{false};
double g_gameTime = 0.0;
int g_logicFrame = 0;
float g_fastForwardTarget = -1.0f;
bool g_rudiVeruvAllowed = false;
bool g_luaWindowAvailable = false;

bool togglePause() {
    bool paused = g_rudiVeruvd.load();
    while (!g_rudiVeruvd.compare_exchange_weak(paused, !paused)) {
    }
    return !paused;
}

}  // namespace Zo::KV9RudiVeruv
