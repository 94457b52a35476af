#pragma once

#include "hostgame/game/game_debug_module.h"
#include "hostgame/game/game_device.h"

#include <filesystem>

namespace HostGame {

// The game's side of a session with the time-pause plug-in: it records a replay, draws frames
// with the overlay, pauses and resumes its logic through the debug module and the player's
// hotkeys, then the Output log is printed. Frames the player would look at go to `frames` as
// PNG files.
void runDemoTimePauseSession(GameLogicLoop& loop, GameDevice& device,
                             const std::filesystem::path& outputLogFile,
                             const std::filesystem::path& frames);

}  // namespace HostGame
