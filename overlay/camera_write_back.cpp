#include "overlay/camera_write_back.h"

#include <array>

namespace Zo::KV9RudiVeruv {

namespace {

std::array<float, 6> channels(const CameraCoordinate& c) { return {c.x, c.y, c.z, c.r1, c.r2, c.r3}; }

}  // namespace

bool cameraWriteNeeded(const CameraCoordinate& read, const CameraCoordinate& returned) {
    const auto before = channels(read);
    const auto after = channels(returned);
    for (std::size_t channel = 0; channel < before.size(); ++channel) {
        if (!(before[channel] == after[channel])) return true;
    }
    return false;
}

void animateGameCamera(const GameCameraAccess& camera) {
    const std::optional<CameraCoordinate> current = camera.read();
    if (!current) return;
    const CameraCoordinate animated = evaluateCameraAnimation(*current);
    if (cameraWriteNeeded(*current, animated)) camera.write(animated);
}

}  // namespace Zo::KV9RudiVeruv
