#pragma once

namespace HostGame {

// What the game's four camera range checks load now: 25000.0 once the plug-in widened them.
void showCameraRangeChecks();

// A game script session after the plug-in's start-up: one Lua state whose scripts use the
// plug-in's library, printed call by call.
void runDemoScriptSession();

}  // namespace HostGame
