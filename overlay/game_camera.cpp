#include "overlay/game_camera.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Zo::KV9RudiVeruv {

namespace {

// The pointer to the camera object.
constexpr uintptr_t kCameraObjectPointer = 0xCDB7B4;

struct CameraChannel {
    float CameraCoordinate::*value;
    std::size_t offset;  // inside the camera object
};

// In the order the values are written back.
constexpr CameraChannel kChannels[] = {
    {&CameraCoordinate::x, 0x0C},  {&CameraCoordinate::y, 0x10},
    {&CameraCoordinate::z, 0x44},  {&CameraCoordinate::r1, 0x28},
    {&CameraCoordinate::r2, 0x2708}, {&CameraCoordinate::r3, 0x30},
};

unsigned char* cameraObject() {
    return *reinterpret_cast<unsigned char* const*>(kCameraObjectPointer);
}

std::optional<CameraCoordinate> readGameCamera() {
    const unsigned char* const camera = cameraObject();
    if (camera == nullptr) return std::nullopt;
    CameraCoordinate values;
    for (const CameraChannel& channel : kChannels) {
        std::memcpy(&(values.*channel.value), camera + channel.offset, sizeof(float));
    }
    return values;
}

void writeGameCamera(const CameraCoordinate& values) {
    unsigned char* const camera = cameraObject();
    if (camera == nullptr) return;
    for (const CameraChannel& channel : kChannels) {
        std::memcpy(camera + channel.offset, &(values.*channel.value), sizeof(float));
    }
}

}  // namespace

GameCameraAccess gameCameraAccess() { return {readGameCamera, writeGameCamera}; }

}  // namespace Zo::KV9RudiVeruv
