#pragma once

// When the overlay writes the camera animation's values into the game's camera.

#include "overlay/camera_animation.h"

#include <functional>
#include <optional>

namespace Zo::KV9RudiVeruv {

// True when any returned value differs from the value read (IEEE comparison, so a NaN on either
// side differs). Otherwise the camera is left entirely to the game.
bool cameraWriteNeeded(const CameraCoordinate& read, const CameraCoordinate& returned);

// The game camera's six values. read gives nothing while the game has no camera object.
struct GameCameraAccess {
    std::function<std::optional<CameraCoordinate>()> read;
    std::function<void(const CameraCoordinate&)> write;  // x, y, z, r1, r2, r3 in this order
};

// Passes the camera through the animation on `clock` and writes the result back when it moved.
// The caller holds g_stateMutex.
void animateGameCamera(const GameCameraAccess& camera, const MonotonicClock& clock);

}  // namespace Zo::KV9RudiVeruv
