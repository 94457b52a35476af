#include "hostgame/game/game_device.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

namespace HostGame {

namespace {

using Direct3DCreate9Function = IDirect3D9*(WINAPI*)(UINT sdkVersion);
using SurfacePtr = std::unique_ptr<IDirect3DSurface9, ComRelease>;

// Where a build keeps its device holder and the game code that reads it: `mov ecx,[holder]` as
// the object of a call whose bool result is tested (build A reads the global before the holder
// first).
constexpr KnownBuildCode kBuildA{
    0x9075BC, 0x5B5610,
    {0x8B, 0x15, 0xB8, 0x75, 0xD0, 0x00, 0x83, 0xCB,
     0x04, 0x53, 0x8D, 0x4C, 0x24, 0x08, 0x51, 0x8B,
     0x0D, 0xBC, 0x75, 0xD0, 0x00, 0x6A, 0x00, 0x52,
     0xE8, 0x53, 0x31, 0x01, 0x00, 0x84, 0xC0, 0x74}};
constexpr KnownBuildCode kBuildB{
    0x91B08C, 0x5C92D0,
    {0x8B, 0x0D, 0x8C, 0xB0, 0xD1, 0x00, 0xE8, 0xF5,
     0x30, 0x01, 0x00, 0x84, 0xC0, 0x75, 0x42, 0x8D,
     0x54, 0x24, 0x08, 0x52, 0xC7, 0x44, 0x24, 0x0C,
     0xE8, 0x03, 0x00, 0x00, 0xE8, 0xBF, 0x16, 0x07}};

using CreateTextureFunction = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice9*, UINT, UINT, UINT,
                                                         DWORD, D3DFORMAT, D3DPOOL,
                                                         IDirect3DTexture9**, HANDLE*);
constexpr std::size_t kCreateTextureSlot = 23;

// The card's limit while a TextureHeightLimit lives.
CreateTextureFunction g_createTexture = nullptr;
UINT g_maxTextureHeight = 0;
std::atomic<int> g_refusedTextures{0};

HRESULT STDMETHODCALLTYPE limitedCreateTexture(IDirect3DDevice9* device, UINT width, UINT height,
                                               UINT levels, DWORD usage, D3DFORMAT format,
                                               D3DPOOL pool, IDirect3DTexture9** texture,
                                               HANDLE* shared) {
    if (height > g_maxTextureHeight) {
        ++g_refusedTextures;
        return D3DERR_INVALIDCALL;
    }
    return g_createTexture(device, width, height, levels, usage, format, pool, texture, shared);
}

// The back buffer copied to system memory; none when a step fails.
std::optional<FrameImage> readBackBuffer(IDirect3DDevice9* device,
                                         const D3DPRESENT_PARAMETERS& parameters,
                                         bool wholeFrame) {
    IDirect3DSurface9* surface = nullptr;
    if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface))) return {};
    const SurfacePtr backBuffer(surface);
    if (FAILED(device->CreateOffscreenPlainSurface(
            parameters.BackBufferWidth, parameters.BackBufferHeight, parameters.BackBufferFormat,
            D3DPOOL_SYSTEMMEM, &surface, nullptr))) {
        return {};
    }
    const SurfacePtr copy(surface);
    if (FAILED(device->GetRenderTargetData(backBuffer.get(), copy.get()))) return {};
    D3DLOCKED_RECT locked{};
    if (FAILED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) return {};
    FrameImage image;
    image.width = wholeFrame ? parameters.BackBufferWidth : 1;
    image.height = wholeFrame ? parameters.BackBufferHeight : 1;
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
    for (uint32_t y = 0; y < image.height; ++y) {
        const auto* row = static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch;
        std::memcpy(&image.pixels[y * image.width], row, image.width * sizeof(uint32_t));
    }
    copy->UnlockRect();
    for (uint32_t& pixel : image.pixels) pixel &= 0x00FFFFFF;
    return image;
}

}  // namespace

GameDevice::GameDevice(GameDeviceOptions options)
    : m_window(kWidth, kHeight), m_camera(options.watchCameraWrites) {
    const HMODULE d3d9 = GetModuleHandleA("d3d9.dll");
    if (d3d9 == nullptr) throw std::runtime_error("d3d9.dll is not loaded");
    const auto create = reinterpret_cast<Direct3DCreate9Function>(
        reinterpret_cast<void*>(GetProcAddress(d3d9, "Direct3DCreate9")));
    if (create == nullptr) throw std::runtime_error("d3d9.dll has no Direct3DCreate9");
    m_direct3d.reset(create(D3D_SDK_VERSION));
    if (!m_direct3d) throw std::runtime_error("Direct3DCreate9 failed");

    m_parameters.BackBufferWidth = kWidth;
    m_parameters.BackBufferHeight = kHeight;
    m_parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    m_parameters.BackBufferCount = 1;
    m_parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    m_parameters.hDeviceWindow = m_window.handle();
    m_parameters.Windowed = TRUE;
    D3DPRESENT_PARAMETERS parameters = m_parameters;
    IDirect3DDevice9* device = nullptr;
    // FPU_PRESERVE keeps the thread's x87 precision, which the scenarios' own arithmetic needs.
    const HRESULT result = m_direct3d->CreateDevice(
        D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, options.focusWindow ? m_window.handle() : nullptr,
        D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_FPU_PRESERVE, &parameters, &device);
    if (FAILED(result)) {
        char text[48];
        std::snprintf(text, sizeof text, "CreateDevice failed: 0x%08lX",
                      static_cast<unsigned long>(result));
        throw std::runtime_error(text);
    }
    m_device.reset(device);
}

FrameResults GameDevice::drawFrame(D3DCOLOR color, bool readWholeFrame) {
    FrameResults frame;
    m_camera.move(++m_frame);
    IDirect3DDevice9* const device = m_device.get();
    frame.clear = device->Clear(0, nullptr, D3DCLEAR_TARGET, color, 1.0f, 0);
    frame.beginScene = device->BeginScene();
    // The game's shaders read the camera's position from pixel-shader constant 123.
    const CameraValues camera = m_camera.values();
    const float cameraPosition[4] = {camera.x, camera.y, camera.z, 1.0f};
    device->SetPixelShaderConstantF(kCameraPositionRegister, cameraPosition, 1);
    frame.endScene = device->EndScene();
    frame.cameraLeftAlone = m_camera.holdsOwnMove();
    frame.cameraWritten = m_camera.writtenSinceMove();
    frame.camera = m_camera.values();
    std::optional<FrameImage> image = readBackBuffer(device, m_parameters, readWholeFrame);
    if (image) {
        frame.backBufferColor = image->pixels.front();
        if (readWholeFrame) frame.image = std::move(image);
    }
    frame.present = device->Present(nullptr, nullptr, nullptr, nullptr);
    return frame;
}

HRESULT GameDevice::reset() {
    D3DPRESENT_PARAMETERS parameters = m_parameters;
    return m_device->Reset(&parameters);
}

TextureHeightLimit::TextureHeightLimit(IDirect3DDevice9* device, UINT maxHeight)
    : m_slot(&(*reinterpret_cast<void***>(device))[kCreateTextureSlot]), m_original(*m_slot) {
    g_createTexture = reinterpret_cast<CreateTextureFunction>(m_original);
    g_maxTextureHeight = maxHeight;
    DWORD protection = 0;
    VirtualProtect(m_slot, sizeof(void*), PAGE_READWRITE, &protection);
    *m_slot = reinterpret_cast<void*>(&limitedCreateTexture);
    VirtualProtect(m_slot, sizeof(void*), protection, &protection);
}

TextureHeightLimit::~TextureHeightLimit() {
    DWORD protection = 0;
    VirtualProtect(m_slot, sizeof(void*), PAGE_READWRITE, &protection);
    *m_slot = m_original;
    VirtualProtect(m_slot, sizeof(void*), protection, &protection);
}

int TextureHeightLimit::refused() { return g_refusedTextures; }

DeviceHolder::DeviceHolder(DeviceHolderBuild build, IDirect3DDevice9* device) {
    const PlacedBuildCode placed = placeKnownBuildCode(build == DeviceHolderBuild::A ? kBuildA
                                                                                    : kBuildB);
    m_code = placed.code;
    m_holder = reinterpret_cast<DeviceHolderObject**>(placed.global);
    m_object.device = device;
    *m_holder = &m_object;
}

DeviceHolder::~DeviceHolder() {
    *m_holder = nullptr;
    std::memset(m_code, 0, sizeof(KnownBuildCode::code));
}

}  // namespace HostGame
