#pragma once

#include "hostgame/scenarios/startup_scenarios.h"

#include <filesystem>
#include <string>

namespace HostGame {

// Games that have not loaded d3d9.dll or msvcr80.dll when the plug-in starts.
const std::vector<Scenario>& missingModuleScenarios();

// The child of those scenarios, run without `module`: starts the plug-in and writes its log and
// whether the debug module is installed into `record`, one line each.
int runMissingModuleChild(const std::filesystem::path& dll, const std::filesystem::path& record);

}  // namespace HostGame
