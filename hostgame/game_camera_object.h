#pragma once

// The game's camera object, which the game keeps behind a pointer at a fixed address of its
// image (0xCDB7B4, the same in the base game and the expansion) and moves on every frame.

#include <cstddef>
#include <cstdint>

namespace HostGame {

// The six values the camera tool works with, in its channel order.
struct CameraValues {
    float x, y, z, r1, r2, r3;
    bool operator==(const CameraValues&) const = default;
};

class GameCameraObject {
public:
    GameCameraObject();   // points the image's camera pointer at this object
    ~GameCameraObject();  // and clears it again
    GameCameraObject(const GameCameraObject&) = delete;
    GameCameraObject& operator=(const GameCameraObject&) = delete;

    // The game's own move for a frame: a slow pan along x and a turn, a different position on
    // every frame.
    void move(int frame);
    CameraValues values() const;
    // The object still holds what the game's last move put there.
    bool holdsOwnMove() const { return values() == m_ownMove; }

private:
    static constexpr std::size_t kObjectSize = 0x2710;  // past the pitch at 0x2708

    void write(const CameraValues& values);

    alignas(4) uint8_t m_object[kObjectSize]{};
    CameraValues m_ownMove{};
};

}  // namespace HostGame
