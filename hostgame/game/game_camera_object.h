#pragma once

// The game's camera object, which the game keeps behind a pointer at a fixed address of its
// image (0xCDB7B4, the same in the base game and the expansion) and moves on every frame.

#include <cstddef>
#include <cstdint>
#include <optional>

namespace HostGame {

// The six values the camera tool works with, in its channel order.
struct CameraValues {
    float x, y, z, r1, r2, r3;
    bool operator==(const CameraValues&) const = default;
};

class GameCameraObject {
public:
    // Points the image's camera pointer at this object. Its writes are watched (through the
    // system's write watch of its pages) only where a program asks.
    explicit GameCameraObject(bool watchWrites = false);
    ~GameCameraObject();  // and clears it again
    GameCameraObject(const GameCameraObject&) = delete;
    GameCameraObject& operator=(const GameCameraObject&) = delete;

    // The game's own update for a frame: it runs the camera code (whose step the plug-in may
    // have patched), then moves the camera by a slow pan along x and a turn, a different
    // position on every frame.
    void move(int frame);
    CameraValues values() const;
    // The object still holds what the game's last move put there.
    bool holdsOwnMove() const { return values() == m_ownMove; }
    // What the camera code returned in the last move.
    double lastStep() const { return m_lastStep; }
    // Whether anything wrote into the object since the game's last move, also the values it
    // already held; known only while its writes are watched.
    std::optional<bool> writtenSinceMove() const;

private:
    static constexpr std::size_t kObjectSize = 0x2710;  // past the pitch at 0x2708

    void write(const CameraValues& values);

    uint8_t* m_object;
    bool m_watched;
    CameraValues m_ownMove{};
    double m_lastStep = 0.0;
};

}  // namespace HostGame
