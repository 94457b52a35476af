#pragma once

#include "hostgame/game/lua_runtime.h"
#include "hostgame/scenarios/startup_scenarios.h"

#include <string>

namespace HostGame {

// Game sessions with the game world: players, game objects and the game lock from scripts.
const std::vector<Scenario>& worldScenarios();

// The fatal child's part of the world's fatal scenarios: a script assigns "ObjectDescription"
// a value of the kind the plug-in's scan must refuse. Other kinds do nothing.
void assignBrokenObjectDescription(const std::wstring& kind, lua_State* L);

}  // namespace HostGame
