#pragma once

// What the overlay frame and the window procedure share besides the time-pause state. Under
// g_stateMutex.

#include <functional>
#include <map>
#include <string>

namespace Zo::KV9RudiVeruv {

// The overlay's windows are drawn; the display hotkey flips it.
extern bool g_overlayVisible;

// Named per-frame callbacks, called in key order while the overlay is shown. The plug-in adds
// none of its own; each entry must hold a callable.
extern std::map<std::string, std::function<void()>> g_frameCallbacks;

}  // namespace Zo::KV9RudiVeruv
