#include "overlay/camera_write_back.h"

#include <cstddef>

namespace Zo::KV9RudiVeruv {

bool cameraWriteNeeded(const CameraCoordinate& read, const CameraCoordinate& returned) {
    for (std::size_t channel = 0; channel < kCameraChannelCount; ++channel) {
        if (!(read[channel] == returned[channel])) return true;
    }
    return false;
}

void animateGameCamera(const GameCameraAccess& camera, const MonotonicClock& clock) {
    const std::optional<CameraCoordinate> current = camera.read();
    if (!current) return;
    const CameraCoordinate animated = evaluateCameraAnimation(*current, clock);
    if (cameraWriteNeeded(*current, animated)) camera.write(animated);
}

}  // namespace Zo::KV9RudiVeruv
