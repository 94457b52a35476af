#pragma once

#include "hostgame/scenarios/startup_scenarios.h"

#include <filesystem>

namespace HostGame {

// Processes that end while the plug-in's threads are still at work.
const std::vector<Scenario>& exitScenarios();

// The child of those scenarios: starts the plug-in, ends a game Lua state and returns at once.
int runExitChild(const std::filesystem::path& dll);

// The child of the recording scenario: starts the plug-in, leaves a replay recording open and
// returns, with memory freed from then on watched for writes.
int runExitRecordingChild(const std::filesystem::path& dll);

// The child of the writing scenario: starts the plug-in, and returns while a second thread
// writes a recording.
int runExitWritingChild(const std::filesystem::path& dll);

}  // namespace HostGame
