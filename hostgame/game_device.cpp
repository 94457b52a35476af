#include "hostgame/game_device.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

namespace HostGame {

namespace {

constexpr wchar_t kGameWindowClass[] = L"HostGameWindow";
constexpr UINT kBackBufferSize = 64;

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

// Registered once; the class lives as long as the process.
const wchar_t* gameWindowClass() {
    static const ATOM atom = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kGameWindowClass;
        return RegisterClassExW(&windowClass);
    }();
    if (atom == 0) throw std::runtime_error("RegisterClassExW failed");
    return kGameWindowClass;
}

// The back buffer's first pixel, copied to system memory; none when a step fails.
std::optional<D3DCOLOR> backBufferColor(IDirect3DDevice9* device,
                                        const D3DPRESENT_PARAMETERS& parameters) {
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
    D3DCOLOR pixel = 0;
    std::memcpy(&pixel, locked.pBits, sizeof pixel);
    copy->UnlockRect();
    return pixel & 0x00FFFFFF;
}

}  // namespace

GameDevice::GameDevice() {
    const HMODULE d3d9 = GetModuleHandleA("d3d9.dll");
    if (d3d9 == nullptr) throw std::runtime_error("d3d9.dll is not loaded");
    const auto create = reinterpret_cast<Direct3DCreate9Function>(
        reinterpret_cast<void*>(GetProcAddress(d3d9, "Direct3DCreate9")));
    if (create == nullptr) throw std::runtime_error("d3d9.dll has no Direct3DCreate9");

    // Hidden: without a window manager, a shown window costs seconds to destroy.
    m_window.reset(CreateWindowExW(0, gameWindowClass(), L"KV9", WS_OVERLAPPEDWINDOW, 0, 0,
                                   kBackBufferSize, kBackBufferSize, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr));
    if (!m_window) throw std::runtime_error("CreateWindowExW failed");
    m_direct3d.reset(create(D3D_SDK_VERSION));
    if (!m_direct3d) throw std::runtime_error("Direct3DCreate9 failed");

    m_parameters.BackBufferWidth = kBackBufferSize;
    m_parameters.BackBufferHeight = kBackBufferSize;
    m_parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    m_parameters.BackBufferCount = 1;
    m_parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    m_parameters.hDeviceWindow = m_window.get();
    m_parameters.Windowed = TRUE;
    D3DPRESENT_PARAMETERS parameters = m_parameters;
    IDirect3DDevice9* device = nullptr;
    // FPU_PRESERVE keeps the thread's x87 precision, which the scenarios' own arithmetic needs.
    const HRESULT result = m_direct3d->CreateDevice(
        D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_window.get(),
        D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_FPU_PRESERVE, &parameters, &device);
    if (FAILED(result)) {
        char text[48];
        std::snprintf(text, sizeof text, "CreateDevice failed: 0x%08lX",
                      static_cast<unsigned long>(result));
        throw std::runtime_error(text);
    }
    m_device.reset(device);
}

FrameResults GameDevice::drawFrame(D3DCOLOR color) {
    FrameResults frame;
    IDirect3DDevice9* const device = m_device.get();
    frame.clear = device->Clear(0, nullptr, D3DCLEAR_TARGET, color, 1.0f, 0);
    frame.beginScene = device->BeginScene();
    frame.endScene = device->EndScene();
    frame.backBufferColor = backBufferColor(device, m_parameters);
    frame.present = device->Present(nullptr, nullptr, nullptr, nullptr);
    return frame;
}

HRESULT GameDevice::reset() {
    D3DPRESENT_PARAMETERS parameters = m_parameters;
    return m_device->Reset(&parameters);
}

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
