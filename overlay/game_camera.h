#pragma once

// The game's camera: six floats of the camera object that the game keeps behind a pointer at a
// fixed address of its image, the same in the base game and the expansion.

#include "overlay/camera_write_back.h"

namespace Zo::KV9RudiVeruv {

// Reads and writes the game's camera object in this process.
GameCameraAccess gameCameraAccess();

}  // namespace Zo::KV9RudiVeruv
