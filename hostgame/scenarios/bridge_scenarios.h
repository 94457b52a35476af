#pragma once

#include "hostgame/scenarios/startup_scenarios.h"

#include <string>

namespace HostGame {

// Game sessions with the script bridge: setglobal detour, registration, the Lua library from
// scripts, and the fatal scan failures.
const std::vector<Scenario>& bridgeScenarios();

// The part of a fatal scenario that must run in a process of its own; returns its exit code
// when the process was not ended.
int runFatalChild(const std::wstring& kind, const std::filesystem::path& recordFile);

// Runs the fatal child of `kind` in a process of its own and checks its exit code and the one
// message box it showed ("caption|text").
int fatalScan(ScenarioChecks& checks, const wchar_t* kind, int expectedExit,
              const std::string& expectedBox);

}  // namespace HostGame
