#pragma once

#include "hostgame/startup_scenarios.h"

namespace HostGame {

const std::vector<Scenario>& patchScenarios();

// Points the camera checks back at the game's own limit, undoing the plug-in's range patch in
// this process. The cache's CRCs are taken over the unpatched code, so a cache read in a patched
// process drops every entry.
void restoreGameRangeLimit();

}  // namespace HostGame
