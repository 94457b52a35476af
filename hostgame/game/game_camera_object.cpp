#include "hostgame/game/game_camera_object.h"

#include "hostgame/game/game_render_settings.h"

#include <windows.h>

#include <cstring>
#include <stdexcept>

namespace HostGame {

namespace {

constexpr uintptr_t kImageBase = 0x400000;
constexpr uintptr_t kCameraPointer = 0xCDB7B4;

// Byte offsets of x, y, z, r1, r2, r3 inside the object.
constexpr std::size_t kOffsets[] = {0x0C, 0x10, 0x44, 0x28, 0x2708, 0x30};

uint8_t** cameraPointer() {
    auto* const image = reinterpret_cast<uint8_t*>(GetModuleHandleW(nullptr));
    return reinterpret_cast<uint8_t**>(image + (kCameraPointer - kImageBase));
}

}  // namespace

GameCameraObject::GameCameraObject(bool watchWrites)
    : m_object(static_cast<uint8_t*>(
          VirtualAlloc(nullptr, kObjectSize,
                       MEM_RESERVE | MEM_COMMIT | (watchWrites ? MEM_WRITE_WATCH : 0),
                       PAGE_READWRITE))),
      m_watched(watchWrites) {
    if (m_object == nullptr) throw std::runtime_error("the camera object cannot be allocated");
    move(0);
    *cameraPointer() = m_object;
}

GameCameraObject::~GameCameraObject() {
    *cameraPointer() = nullptr;
    VirtualFree(m_object, 0, MEM_RELEASE);
}

void GameCameraObject::move(int frame) {
    m_lastStep = host_camera_step();
    const auto f = static_cast<float>(frame);
    m_ownMove = {1000.0f + 2.5f * f, 800.0f, 350.0f, 0.01f * f, 42.0f, 0.0f};
    write(m_ownMove);
    if (m_watched) ResetWriteWatch(m_object, kObjectSize);
}

CameraValues GameCameraObject::values() const {
    float channels[6];
    for (std::size_t i = 0; i < 6; ++i) {
        std::memcpy(&channels[i], m_object + kOffsets[i], sizeof(float));
    }
    return {channels[0], channels[1], channels[2], channels[3], channels[4], channels[5]};
}

std::optional<bool> GameCameraObject::writtenSinceMove() const {
    if (!m_watched) return std::nullopt;
    void* pages[4];
    ULONG_PTR count = std::size(pages);
    DWORD pageSize = 0;
    const UINT result = GetWriteWatch(0, m_object, kObjectSize, pages, &count, &pageSize);
    return result != 0 || count > 0;  // a failed look-up counts as written
}

void GameCameraObject::write(const CameraValues& values) {
    const float channels[6] = {values.x, values.y, values.z, values.r1, values.r2, values.r3};
    for (std::size_t i = 0; i < 6; ++i) {
        std::memcpy(m_object + kOffsets[i], &channels[i], sizeof(float));
    }
}

}  // namespace HostGame
