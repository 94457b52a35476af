#pragma once

// The end of the process as the detours see it. The game's runtime and Wine still call them
// after this library's static objects are gone: Wine's msvcr80 closes the streams left open in
// its own unload, through the detoured fclose. So each detour either uses only state that is
// never destroyed (the replay capture, the debug module's controller, the state lock, plain
// values) or checks g_processEnding first and then goes straight to the game's own function.

#include "rudiveruv/rudiveruv_state.h"

namespace Zo::KV9RudiVeruv {

// The exit handler that the plug-in's start registers. It runs before the destructor of every
// object built before the start, and after it a detour or a waking Lua-state watcher touches
// none of them. Waits a moment for a watcher that holds the state lock to let go of it.
void beginProcessEnd();

}  // namespace Zo::KV9RudiVeruv
