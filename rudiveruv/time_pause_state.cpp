#include "rudiveruv/time_pause_state.h"

namespace Zo::KV9RudiVeruv {

std::recursive_mutex g_stateMutex;

std::atomic<bool> g_rudiVeruvd{false};
std::atomic<bool> g_runFast{false};
double g_gameTime = 0.0;
int g_logicFrame = 0;
float g_fastForwardTarget = -1.0f;
bool g_rudiVeruvAllowed = false;
bool g_luaWindowAvailable = false;

}  // namespace Zo::KV9RudiVeruv
