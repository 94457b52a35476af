#include "rudiveruv/d3d9_probe.h"

#include "tests/scan_buffer.h"

#include "tests/x87_precision_guard.h"

#include <windows.h>

#include <d3d9.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Zo::KV9RudiVeruv;

namespace {

constexpr std::size_t kReleaseSlot = 2;
constexpr std::size_t kCreateDeviceSlot = 16;  // of IDirect3D9
constexpr std::size_t kResetSlot = 16;         // of IDirect3DDevice9
constexpr std::size_t kEndSceneSlot = 42;
constexpr char kTemporaryClass[] = "TovekTemporaryClass";

using CreateDeviceFunction = HRESULT(STDMETHODCALLTYPE*)(IDirect3D9*, UINT, D3DDEVTYPE, HWND,
                                                         DWORD, D3DPRESENT_PARAMETERS*,
                                                         IDirect3DDevice9**);
using ReleaseFunction = ULONG(STDMETHODCALLTYPE*)(IUnknown*);

void* virtualFunction(void* object, std::size_t slot) {
    return (*reinterpret_cast<void***>(object))[slot];
}

// Replaces one entry of a COM class's table of virtual functions while it lives. Every object
// of the class shares the table, so the probe's own objects call the replacement too.
class VtableSwap {
public:
    VtableSwap(void* object, std::size_t slot, void* replacement)
        : m_entry(*reinterpret_cast<void***>(object) + slot), m_original(*m_entry) {
        VirtualProtect(m_entry, sizeof(void*), PAGE_READWRITE, &m_protection);
        *m_entry = replacement;
    }
    ~VtableSwap() {
        *m_entry = m_original;
        DWORD ignored = 0;
        VirtualProtect(m_entry, sizeof(void*), m_protection, &ignored);
    }
    VtableSwap(const VtableSwap&) = delete;
    VtableSwap& operator=(const VtableSwap&) = delete;

    void* original() const { return m_original; }

private:
    void** m_entry;
    void* m_original;
    DWORD m_protection = 0;
};

bool temporaryClassRegistered() {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    return GetClassInfoExA(GetModuleHandleA(nullptr), kTemporaryClass, &windowClass) != 0;
}

// What the probe's CreateDevice call saw, and the state of its window whenever a Release ran.
struct ProbeRecord {
    struct Release {
        bool device;  // otherwise the IDirect3D9
        bool windowAlive;
        bool classRegistered;
    };

    int createDeviceCalls = 0;
    UINT adapter = ~0u;
    D3DDEVTYPE deviceType{};
    DWORD behaviourFlags = 0;
    D3DPRESENT_PARAMETERS parameters{};
    HWND window = nullptr;
    std::string windowClass;
    RECT windowRect{};
    LONG windowStyle = 0;
    HWND windowParent = nullptr;
    HRESULT forcedFailure = S_OK;  // a failure CreateDevice returns instead of a device
    std::vector<Release> releases;
};

ProbeRecord g_record;
void* g_realCreateDevice = nullptr;
void* g_realDeviceRelease = nullptr;
void* g_realDirect3DRelease = nullptr;

HRESULT STDMETHODCALLTYPE recordingCreateDevice(IDirect3D9* direct3d, UINT adapter,
                                                D3DDEVTYPE type, HWND window, DWORD flags,
                                                D3DPRESENT_PARAMETERS* parameters,
                                                IDirect3DDevice9** device) {
    ++g_record.createDeviceCalls;
    g_record.adapter = adapter;
    g_record.deviceType = type;
    g_record.behaviourFlags = flags;
    g_record.parameters = *parameters;
    g_record.window = window;
    std::array<char, 64> className{};
    GetClassNameA(window, className.data(), static_cast<int>(className.size()));
    g_record.windowClass = className.data();
    GetWindowRect(window, &g_record.windowRect);
    g_record.windowStyle = GetWindowLongA(window, GWL_STYLE);
    g_record.windowParent = GetAncestor(window, GA_PARENT);
    if (FAILED(g_record.forcedFailure)) return g_record.forcedFailure;
    return reinterpret_cast<CreateDeviceFunction>(g_realCreateDevice)(
        direct3d, adapter, type, window, flags, parameters, device);
}

void recordRelease(bool device) {
    g_record.releases.push_back(
        {device, g_record.window != nullptr && IsWindow(g_record.window) != 0,
         temporaryClassRegistered()});
}

ULONG STDMETHODCALLTYPE recordingDeviceRelease(IUnknown* object) {
    recordRelease(true);
    return reinterpret_cast<ReleaseFunction>(g_realDeviceRelease)(object);
}

ULONG STDMETHODCALLTYPE recordingDirect3DRelease(IUnknown* object) {
    recordRelease(false);
    return reinterpret_cast<ReleaseFunction>(g_realDirect3DRelease)(object);
}

// d3d9.dll is in the process only while a test runs, and the test holds a device of its own,
// made the way the game makes one, whose table gives the expected addresses. The probe's
// CreateDevice and every Release are recorded.
class D3d9ProbeTest : public testing::Test {
protected:
    void SetUp() override {
        g_record = ProbeRecord{};
        m_d3d9 = LoadLibraryA("d3d9.dll");
        ASSERT_NE(m_d3d9, nullptr);
        const auto create = reinterpret_cast<IDirect3D9*(WINAPI*)(UINT)>(
            reinterpret_cast<void*>(GetProcAddress(m_d3d9, "Direct3DCreate9")));
        ASSERT_NE(create, nullptr);
        m_direct3d = create(D3D_SDK_VERSION);
        ASSERT_NE(m_direct3d, nullptr);
        m_window = CreateWindowExA(0, "STATIC", nullptr, WS_OVERLAPPEDWINDOW, 0, 0, 64, 64,
                                   nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(m_window, nullptr);
        D3DDISPLAYMODE mode{};
        ASSERT_EQ(m_direct3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
        m_displayFormat = mode.Format;
        D3DPRESENT_PARAMETERS parameters{};
        parameters.BackBufferFormat = mode.Format;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        parameters.Windowed = TRUE;
        ASSERT_EQ(m_direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_window,
                                           D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters,
                                           &m_device),
                  D3D_OK);
        m_expected = {virtualFunction(m_device, kEndSceneSlot),
                      virtualFunction(m_device, kResetSlot)};

        m_swaps.emplace_back(std::make_unique<VtableSwap>(
            m_direct3d, kCreateDeviceSlot, reinterpret_cast<void*>(recordingCreateDevice)));
        g_realCreateDevice = m_swaps.back()->original();
        m_swaps.emplace_back(std::make_unique<VtableSwap>(
            m_direct3d, kReleaseSlot, reinterpret_cast<void*>(recordingDirect3DRelease)));
        g_realDirect3DRelease = m_swaps.back()->original();
        m_swaps.emplace_back(std::make_unique<VtableSwap>(
            m_device, kReleaseSlot, reinterpret_cast<void*>(recordingDeviceRelease)));
        g_realDeviceRelease = m_swaps.back()->original();
    }

    void TearDown() override {
        // Last swap first: swaps that share a page restore its protection in reverse.
        while (!m_swaps.empty()) m_swaps.pop_back();
        if (m_device != nullptr) m_device->Release();
        if (m_window != nullptr) DestroyWindow(m_window);
        if (m_direct3d != nullptr) m_direct3d->Release();
        if (m_d3d9 != nullptr) FreeLibrary(m_d3d9);
    }

    // Too small for either known build.
    static TheGameModule ownModule() { return {0x400000, 0x401000, 0x1000}; }

    X87PrecisionGuard m_precision;  // before the device objects, so restored after them
    HMODULE m_d3d9 = nullptr;
    IDirect3D9* m_direct3d = nullptr;
    HWND m_window = nullptr;
    IDirect3DDevice9* m_device = nullptr;
    D3DFORMAT m_displayFormat = D3DFMT_UNKNOWN;
    Addresses m_expected{};
    std::vector<std::unique_ptr<VtableSwap>> m_swaps;
};

TEST_F(D3d9ProbeTest, TemporaryDeviceGivesTheDeviceFunctions) {
    const Addresses found = findEndSceneAddress(ownModule());
    EXPECT_EQ(found.endScene, m_expected.endScene);
    EXPECT_EQ(found.reset, m_expected.reset);

    ASSERT_EQ(g_record.createDeviceCalls, 1);
    EXPECT_EQ(g_record.adapter, 0u);
    EXPECT_EQ(g_record.deviceType, D3DDEVTYPE_HAL);
    EXPECT_EQ(g_record.behaviourFlags, 0x120u);
    EXPECT_EQ(g_record.parameters.BackBufferFormat, m_displayFormat);
    EXPECT_EQ(g_record.parameters.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_EQ(g_record.parameters.Windowed, TRUE);
    EXPECT_EQ(g_record.parameters.hDeviceWindow, nullptr);
    EXPECT_EQ(g_record.parameters.BackBufferWidth, 0u);
    EXPECT_EQ(g_record.windowClass, kTemporaryClass);
    EXPECT_EQ(g_record.windowRect.left, 100);
    EXPECT_EQ(g_record.windowRect.top, 100);
    EXPECT_EQ(g_record.windowRect.right, 400);
    EXPECT_EQ(g_record.windowRect.bottom, 400);
    EXPECT_EQ(g_record.windowStyle & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    EXPECT_EQ(g_record.windowStyle & WS_VISIBLE, 0);
    EXPECT_EQ(g_record.windowParent, GetDesktopWindow());
}

// The temporary device leaves the calling thread's x87 precision as it found it.
TEST_F(D3d9ProbeTest, TemporaryDeviceKeepsTheThreadsPrecision) {
    for (const unsigned int precision : {_PC_64, _PC_53}) {
        _controlfp(precision, _MCW_PC);
        findEndSceneAddress(ownModule());
        EXPECT_EQ(_controlfp(0, 0) & _MCW_PC, precision);
    }
}

// The device goes while its window is there; the IDirect3D9 goes last, after the window and
// then its class (a class with a window left cannot be unregistered).
TEST_F(D3d9ProbeTest, GuardsReleaseInReverseOrder) {
    findEndSceneAddress(ownModule());
    ASSERT_FALSE(g_record.releases.empty());
    EXPECT_TRUE(g_record.releases.front().device);
    EXPECT_TRUE(g_record.releases.front().windowAlive);
    EXPECT_TRUE(g_record.releases.front().classRegistered);
    const ProbeRecord::Release& last = g_record.releases.back();
    EXPECT_FALSE(last.device);
    EXPECT_FALSE(last.windowAlive);
    EXPECT_FALSE(last.classRegistered);
}

TEST_F(D3d9ProbeTest, FailedCreateDeviceReleasesWindowClassAndDirect3D) {
    g_record.forcedFailure = static_cast<HRESULT>(0x8876086A);  // D3DERR_NOTAVAILABLE
    try {
        findEndSceneAddress(ownModule());
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Failed to create fake d3d9 device-2005530518");
    }
    ASSERT_EQ(g_record.releases.size(), 1u);
    EXPECT_FALSE(g_record.releases[0].device);
    EXPECT_FALSE(g_record.releases[0].windowAlive);
    EXPECT_FALSE(g_record.releases[0].classRegistered);
    EXPECT_FALSE(IsWindow(g_record.window));
}

// A synthetic game module holding the device-holder code of the known builds. Which path the
// probe took shows in whether it created a device of its own.
TEST_F(D3d9ProbeTest, DeviceHolderOfAKnownBuild) {
    struct Build {
        uint32_t holderOffset;
        uint32_t codeOffset;
        std::array<uint8_t, 32> code;
    };
    const Build buildA{0x9075BC, 0x5B5610, {0x8B, 0x15, 0xB8, 0x75, 0xD0, 0x00, 0x83, 0xCB, 0x04,
                                            0x53, 0x8D, 0x4C, 0x24, 0x08, 0x51, 0x8B, 0x0D, 0xBC,
                                            0x75, 0xD0, 0x00, 0x6A, 0x00, 0x52, 0xE8, 0x53, 0x31,
                                            0x01, 0x00, 0x84, 0xC0, 0x74}};
    const Build buildB{0x91B08C, 0x5C92D0, {0x8B, 0x0D, 0x8C, 0xB0, 0xD1, 0x00, 0xE8, 0xF5, 0x30,
                                            0x01, 0x00, 0x84, 0xC0, 0x75, 0x42, 0x8D, 0x54, 0x24,
                                            0x08, 0x52, 0xC7, 0x44, 0x24, 0x0C, 0xE8, 0x03, 0x00,
                                            0x00, 0xE8, 0xBF, 0x16, 0x07}};
    enum class Holder { Absent, Device, NullObject, NullDevice };
    struct Case {
        const char* what;
        uint32_t moduleSize;
        Holder a;
        Holder b;
        int differingByteOfA;  // -1: none
        bool gameDevice;
    };
    constexpr uint32_t kFull = 0x920000;
    const Case cases[] = {
        {"build A", kFull, Holder::Device, Holder::Absent, -1, true},
        {"build B", kFull, Holder::Absent, Holder::Device, -1, true},
        {"build A at its least size", 0x9075BC + 4, Holder::Device, Holder::Absent, -1, true},
        {"module too small for build A", 0x9075BC, Holder::Device, Holder::Absent, -1, false},
        {"one byte of A differs", kFull, Holder::Device, Holder::Absent, 17, false},
        {"A's bytes differ, B holds the device", kFull, Holder::Device, Holder::Device, 0, true},
        {"A's object is null: B not tried", kFull, Holder::NullObject, Holder::Device, -1, false},
        {"A's device is null: B not tried", kFull, Holder::NullDevice, Holder::Device, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_record.createDeviceCalls = 0;
        ScanBuffer image(kFull);
        std::array<uint32_t, 4> objectWithDevice{0, 0, 0, 0};
        objectWithDevice[3] = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(m_device));
        const std::array<uint32_t, 4> objectWithoutDevice{0, 0, 0, 0};
        const auto place = [&image, &objectWithDevice, &objectWithoutDevice](
                               const Build& build, Holder holder, int differingByte) {
            if (holder == Holder::Absent) return;
            auto* const code = reinterpret_cast<uint8_t*>(image.begin() + build.codeOffset);
            std::memcpy(code, build.code.data(), build.code.size());
            if (differingByte >= 0) code[differingByte] ^= 0x01;
            const void* object = holder == Holder::Device       ? objectWithDevice.data()
                                 : holder == Holder::NullDevice ? objectWithoutDevice.data()
                                                                : nullptr;
            const auto value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(object));
            std::memcpy(reinterpret_cast<void*>(image.begin() + build.holderOffset), &value,
                        sizeof value);
        };
        place(buildA, c.a, c.differingByteOfA);
        place(buildB, c.b, -1);

        const TheGameModule module{image.begin(), image.begin() + c.moduleSize, c.moduleSize};
        const Addresses found = findEndSceneAddress(module);
        EXPECT_EQ(found.endScene, m_expected.endScene);
        EXPECT_EQ(found.reset, m_expected.reset);
        EXPECT_EQ(g_record.createDeviceCalls, c.gameDevice ? 0 : 1);
    }
}

TEST(D3d9Probe, NeverLoadsD3d9) {
    ASSERT_EQ(GetModuleHandleA("d3d9.dll"), nullptr) << "a test left d3d9.dll loaded";
    try {
        findEndSceneAddress({0x400000, 0x401000, 0x1000});
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "d3d9.dll not loaded");
    }
    EXPECT_EQ(GetModuleHandleA("d3d9.dll"), nullptr);
}

TEST(ScopeGuard, RunsItsActionOnceAndOnlyWhenSet) {
    int runs = 0;
    { const ScopeGuard guard([&runs] { ++runs; }); }
    EXPECT_EQ(runs, 1);
    { const ScopeGuard empty{boost::function<void()>()}; }
    EXPECT_EQ(runs, 1);
}

}  // namespace
