#pragma once

#include "hostgame/game_debug_module.h"
#include "hostgame/game_device.h"

#include <filesystem>

namespace HostGame {

// The game's side of a session with the time-pause plug-in: it records a replay, draws frames
// and pauses and resumes its logic through the debug module, then the Output log is printed.
void runDemoTimePauseSession(GameLogicLoop& loop, GameDevice& device,
                             const std::filesystem::path& outputLogFile);

}  // namespace HostGame
