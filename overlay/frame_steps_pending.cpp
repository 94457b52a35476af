#include "overlay/frame_steps_pending.h"

namespace Zo::KV9RudiVeruv {

// No animation moves the camera yet.
CameraCoordinate evaluateCameraAnimation(const CameraCoordinate& current) { return current; }

// No timed event fires yet.
void processTimedEvents() {}

// The timed events window has no contents yet.
void drawTimedEventsWindow() {}

}  // namespace Zo::KV9RudiVeruv
