#pragma once

#include "hostgame/scenarios/startup_scenarios.h"

#include <vector>

namespace HostGame {

// The camera configuration file through Vellox.dll, used with the mouse: the stand-alone
// script-bridge module's file read when the plug-in has none of its own, and the plug-in's own
// file written, replaced and, when it cannot be replaced, left whole; a file the first frame
// could not read (broken, or held by another program) kept beside it through two saves.
const std::vector<Scenario>& cameraConfigScenarios();

}  // namespace HostGame
