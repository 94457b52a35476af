#pragma once

// The stand-in game's Direct3D 9 device: a hidden game window (pumped on a thread of its own)
// with a real 1280x720 device that draws the game's frames, the game's camera, and the device
// holder through which the code of a known game build reaches the device.

#include "hostgame/game/frame_image.h"
#include "hostgame/game/game_camera_object.h"
#include "hostgame/game/game_window.h"
#include "hostgame/game/known_build_code.h"

#include <windows.h>

#include <d3d9.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace HostGame {

struct ComRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};

// What each call of one frame returned, and what the back buffer held before Present.
struct FrameResults {
    HRESULT clear = E_FAIL;
    HRESULT beginScene = E_FAIL;
    HRESULT endScene = E_FAIL;
    HRESULT present = E_FAIL;
    std::optional<D3DCOLOR> backBufferColor;  // the first pixel, read back after EndScene
    std::optional<FrameImage> image;          // the whole frame, when asked for
    bool cameraLeftAlone = false;  // after EndScene the camera held the game's own move
    // Something wrote into the camera between its move and EndScene's return; known while the
    // device watches the camera's writes.
    std::optional<bool> cameraWritten;
    CameraValues camera{};         // the camera's values after EndScene

    bool succeeded() const {
        return clear == D3D_OK && beginScene == D3D_OK && endScene == D3D_OK &&
               present == D3D_OK;
    }
};

struct GameDeviceOptions {
    // The device's focus window is the game window; without, the device only draws into it.
    bool focusWindow = true;
    // Every write into the game's camera is seen, also of the values it already held.
    bool watchCameraWrites = false;
};

// The game's window (on a thread of its own), its camera and its device, made on the calling
// thread, which then draws with it: the render thread. d3d9.dll must already be loaded (the
// game loads it at process start).
class GameDevice {
public:
    static constexpr UINT kWidth = 1280;
    static constexpr UINT kHeight = 720;
    // Where the game keeps the camera's position for its pixel shaders.
    static constexpr UINT kCameraPositionRegister = 123;

    explicit GameDevice(GameDeviceOptions options = {});  // throws std::runtime_error

    IDirect3DDevice9* device() const { return m_device.get(); }
    GameWindow& window() { return m_window; }
    GameCameraObject& camera() { return m_camera; }

    // One frame: the game moves its camera, then Clear to the colour, BeginScene, the camera's
    // position into the pixel-shader constants, EndScene, Present.
    FrameResults drawFrame(D3DCOLOR color, bool readWholeFrame = false);
    // A reset with the parameters the device was made with, as after a lost device.
    HRESULT reset();

private:
    GameWindow m_window;
    GameCameraObject m_camera;
    int m_frame = 0;
    // Released in reverse: the device, then Direct3D.
    std::unique_ptr<IDirect3D9, ComRelease> m_direct3d;
    std::unique_ptr<IDirect3DDevice9, ComRelease> m_device;
    D3DPRESENT_PARAMETERS m_parameters{};
};

// A graphics card that makes no texture taller than the limit, for the device's life in this
// process (all devices share one table of functions). Undone on destruction.
class TextureHeightLimit {
public:
    TextureHeightLimit(IDirect3DDevice9* device, UINT maxHeight);
    ~TextureHeightLimit();
    TextureHeightLimit(const TextureHeightLimit&) = delete;
    TextureHeightLimit& operator=(const TextureHeightLimit&) = delete;

    // How many textures it refused so far.
    static int refused();

private:
    void** m_slot;
    void* m_original;
};

// The game object that a build's holder global points to; the device is its fourth word.
struct DeviceHolderObject {
    uint8_t unknown[0x0C];
    IDirect3DDevice9* device;
};
static_assert(offsetof(DeviceHolderObject, device) == 0x0C);

// The two known builds of the game, told apart by the code that reads the device holder.
enum class DeviceHolderBuild { A, B };

// Makes the game image a known build's, written before the plug-in starts: that build's code
// bytes at their place in the image's data area, and its holder global pointing to a game object
// that holds the device. Both places are cleared again on destruction.
class DeviceHolder {
public:
    DeviceHolder(DeviceHolderBuild build, IDirect3DDevice9* device);
    ~DeviceHolder();
    DeviceHolder(const DeviceHolder&) = delete;
    DeviceHolder& operator=(const DeviceHolder&) = delete;

private:
    uint8_t* m_code;
    DeviceHolderObject** m_holder;
    DeviceHolderObject m_object{};
};

}  // namespace HostGame
