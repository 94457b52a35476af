#pragma once

// The three calls the overlay frame makes into the camera animation and the timed events, which
// are being written apart. Until they arrive, frame_steps_pending.cpp holds stand-ins that leave
// the camera and the events alone.

namespace Zo::KV9RudiVeruv {

// Six camera values in the channel order x, y, z, r1, r2, r3.
struct CameraCoordinate {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float r1 = 0.0f;
    float r2 = 0.0f;
    float r3 = 0.0f;
};

// Callers hold g_stateMutex.
CameraCoordinate evaluateCameraAnimation(const CameraCoordinate& current);
void processTimedEvents();
void drawTimedEventsWindow();

}  // namespace Zo::KV9RudiVeruv
