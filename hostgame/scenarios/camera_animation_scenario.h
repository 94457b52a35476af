#pragma once

#include "hostgame/scenarios/overlay_game.h"

namespace HostGame {

// Camera control switched on and a profile's animation played through the main window, the
// camera control window and the animation hotkey, shown and hidden.
OverlayGameOptions cameraAnimationOptions();
int cameraAnimationPlayed(ScenarioChecks& checks, OverlayGame& game);

}  // namespace HostGame
