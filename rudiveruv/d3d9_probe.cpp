#include "rudiveruv/d3d9_probe.h"

#include "rudiveruv/build_signature.h"

#include <windows.h>

#include <float.h>

#include <d3d9.h>

#include <stdexcept>
#include <string>

namespace Zo::KV9RudiVeruv {

namespace {

// Each build's global that holds the game object owning the device, and the game code that
// reads it.
constexpr BuildSignature kDeviceHolderBuildA{
    0x9075BC, 0x5B5610, {0x8B, 0x15, 0xB8, 0x75, 0xD0, 0x00, 0x83, 0xCB, 0x04, 0x53, 0x8D,
                         0x4C, 0x24, 0x08, 0x51, 0x8B, 0x0D, 0xBC, 0x75, 0xD0, 0x00, 0x6A,
                         0x00, 0x52, 0xE8, 0x53, 0x31, 0x01, 0x00, 0x84, 0xC0, 0x74}};
constexpr BuildSignature kDeviceHolderBuildB{
    0x91B08C, 0x5C92D0, {0x8B, 0x0D, 0x8C, 0xB0, 0xD1, 0x00, 0xE8, 0xF5, 0x30, 0x01, 0x00,
                         0x84, 0xC0, 0x75, 0x42, 0x8D, 0x54, 0x24, 0x08, 0x52, 0xC7, 0x44,
                         0x24, 0x0C, 0xE8, 0x03, 0x00, 0x00, 0xE8, 0xBF, 0x16, 0x07}};
constexpr uint32_t kDeviceOffsetInHolderObject = 0x0C;

constexpr std::size_t kEndSceneSlot = 42;
constexpr std::size_t kResetSlot = 16;

constexpr char kTemporaryClassName[] = "TovekTemporaryClass";

using Direct3DCreate9Function = IDirect3D9*(WINAPI*)(UINT sdkVersion);

Addresses deviceFunctions(IDirect3DDevice9* device) {
    void* const* const table = *reinterpret_cast<void* const* const*>(device);
    return {table[kEndSceneSlot], table[kResetSlot]};
}

// Build A's bytes decide alone: when they match, build B is not looked at.
IDirect3DDevice9* findGameDevice(const TheGameModule& module) {
    uint32_t holder = findBuildGlobal(module, kDeviceHolderBuildA);
    if (holder == 0) holder = findBuildGlobal(module, kDeviceHolderBuildB);
    if (holder == 0) return nullptr;
    const auto object = *reinterpret_cast<const uint8_t* const*>(holder);
    if (object == nullptr) return nullptr;
    return *reinterpret_cast<IDirect3DDevice9* const*>(object + kDeviceOffsetInHolderObject);
}

boost::function<void()> releaseComObject(IUnknown* object) {
    return [object] { object->Release(); };
}

boost::function<void()> unregisterTemporaryClass(HINSTANCE instance) {
    return [instance] { UnregisterClassA(kTemporaryClassName, instance); };
}

boost::function<void()> destroyTemporaryWindow(HWND window) {
    return [window] { DestroyWindow(window); };
}

// Creating a device without D3DCREATE_FPU_PRESERVE sets the calling thread's x87 precision to
// single. The temporary device is gone after the probe; so is its effect on the loader's thread.
boost::function<void()> restoreX87Precision() {
    const unsigned int precision = _controlfp(0, 0) & _MCW_PC;
    return [precision] { _controlfp(precision, _MCW_PC); };
}

// The guards undo in reverse order of creation: device, window, class, IDirect3D9, and the
// thread's x87 precision last.
Addresses probeTemporaryDevice() {
    const ScopeGuard precisionGuard(restoreX87Precision());
    const HMODULE d3d9 = GetModuleHandleA("d3d9.dll");
    if (d3d9 == nullptr) throw std::runtime_error("d3d9.dll not loaded");
    const auto create = reinterpret_cast<Direct3DCreate9Function>(
        reinterpret_cast<void*>(GetProcAddress(d3d9, "Direct3DCreate9")));
    if (create == nullptr) throw std::runtime_error("failed to retrieve pDirect3DCreate9");

    IDirect3D9* const direct3d = create(D3D_SDK_VERSION);
    if (direct3d == nullptr) throw std::runtime_error("Failed to create D3D9");
    const ScopeGuard direct3dGuard(releaseComObject(direct3d));

    D3DDISPLAYMODE mode{};
    if (FAILED(direct3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode))) {
        throw std::runtime_error("Failed to get adapter display mode");
    }

    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_CLASSDC;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kTemporaryClassName;
    if (RegisterClassExA(&windowClass) == 0) {
        throw std::runtime_error("Failed to register window class");
    }
    const ScopeGuard classGuard(unregisterTemporaryClass(instance));

    const HWND window = CreateWindowExA(0, kTemporaryClassName, nullptr, WS_OVERLAPPEDWINDOW, 100,
                                        100, 300, 300, GetDesktopWindow(), nullptr, instance,
                                        nullptr);
    if (window == nullptr) throw std::runtime_error("Failed to create fake window");
    const ScopeGuard windowGuard(destroyTemporaryWindow(window));

    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferFormat = mode.Format;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.Windowed = TRUE;
    IDirect3DDevice9* device = nullptr;
    const HRESULT result = direct3d->CreateDevice(
        D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
        D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_DISABLE_DRIVER_MANAGEMENT, &parameters,
        &device);
    if (FAILED(result)) {
        throw std::runtime_error("Failed to create fake d3d9 device" +
                                 std::to_string(static_cast<long>(result)));
    }
    const ScopeGuard deviceGuard(releaseComObject(device));

    // Code addresses in d3d9's image: they stay valid after the device is gone.
    return deviceFunctions(device);
}

}  // namespace

Addresses findEndSceneAddress(const TheGameModule& module) {
    if (IDirect3DDevice9* const device = findGameDevice(module)) return deviceFunctions(device);
    return probeTemporaryDevice();
}

}  // namespace Zo::KV9RudiVeruv
