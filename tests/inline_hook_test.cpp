#include "hostgame/loader/inline_hook.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// hook_fixtures.S
extern "C" {
int fixture_hotpatch();
int fixture_frame_aligned();
int fixture_stack_realign();
int fixture_call();
int fixture_jcc_taken();
int fixture_jcc_not_taken();
int fixture_jcc_near();
int fixture_jmp();
int fixture_short_jmp();
int fixture_loop_back();
int fixture_jecxz();
int fixture_tiny();
}

using HostGame::installInlineHook;

namespace {

using IntFunction = int (*)();

void* asPointer(IntFunction function) { return reinterpret_cast<void*>(function); }

// The variable a fixture case hooks; the detour goes back to the original through it.
void* g_originalFixture = nullptr;

int addThousand() { return reinterpret_cast<IntFunction>(g_originalFixture)() + 1000; }

struct FixtureCase {
    const char* prologue;
    IntFunction function;
    int result;
};

TEST(InlineHook, CallsReachTheDetourAndTheTrampolineRunsTheOriginal) {
    const FixtureCase cases[] = {
        {"mov edi,edi; push ebp; mov ebp,esp", fixture_hotpatch, 11},
        {"push ebp; mov ebp,esp; and esp,-16", fixture_frame_aligned, 22},
        {"lea ecx,[esp+4]; and esp,-16", fixture_stack_realign, 33},
        {"call rel32", fixture_call, 44},
        {"xor eax,eax; jz rel8 (taken)", fixture_jcc_taken, 55},
        {"xor eax,eax; jnz rel8 (not taken)", fixture_jcc_not_taken, 56},
        {"xor eax,eax; jz rel32 (taken)", fixture_jcc_near, 57},
        {"jmp rel32", fixture_jmp, 66},
        {"push; pop; inc; jmp rel8", fixture_short_jmp, 71},
    };
    for (const FixtureCase& c : cases) {
        SCOPED_TRACE(c.prologue);
        g_originalFixture = asPointer(c.function);
        ASSERT_TRUE(installInlineHook(&g_originalFixture, asPointer(addThousand)));
        EXPECT_NE(g_originalFixture, asPointer(c.function));
        EXPECT_EQ(c.function(), c.result + 1000);
        EXPECT_EQ(reinterpret_cast<IntFunction>(g_originalFixture)(), c.result);
    }
}

TEST(InlineHook, RefusesWhatItCannotMoveAndLeavesTheFunctionIntact) {
    const FixtureCase cases[] = {
        {"jns rel8 back into the overwritten bytes", fixture_loop_back, 129},
        {"jecxz", fixture_jecxz, 88},
        {"returns within four bytes", fixture_tiny, 1},
    };
    for (const FixtureCase& c : cases) {
        SCOPED_TRACE(c.prologue);
        // Also covers the bytes after a function that is shorter than the patch.
        std::vector<uint8_t> before(16);
        std::memcpy(before.data(), asPointer(c.function), before.size());
        void* variable = asPointer(c.function);
        EXPECT_FALSE(installInlineHook(&variable, asPointer(addThousand)));
        EXPECT_EQ(variable, asPointer(c.function));
        EXPECT_EQ(std::memcmp(before.data(), asPointer(c.function), before.size()), 0);
        EXPECT_EQ(c.function(), c.result);
    }
}

TEST(InlineHook, RefusesNullArguments) {
    void* nothing = nullptr;
    void* function = asPointer(fixture_frame_aligned);
    EXPECT_FALSE(installInlineHook(nullptr, asPointer(addThousand)));
    EXPECT_FALSE(installInlineHook(&nothing, asPointer(addThousand)));
    EXPECT_EQ(nothing, nullptr);
    EXPECT_FALSE(installInlineHook(&function, nullptr));
    EXPECT_EQ(function, asPointer(fixture_frame_aligned));
}

TEST(InlineHook, RefusesMemoryItCannotDecode) {
    struct MemoryCase {
        const char* what;
        std::size_t offset;  // in a committed page followed by a reserved one
        std::vector<uint8_t> bytes;
        DWORD protection;
    };
    const MemoryCase cases[] = {
        {"an instruction longer than 15 bytes", 0, std::vector<uint8_t>(16, 0x66),
         PAGE_EXECUTE_READWRITE},
        {"mov eax,imm32 cut by the end of the memory", 4096 - 3, {0xB8, 0x01, 0x00},
         PAGE_EXECUTE_READWRITE},
        {"a page without access", 0, {0x55, 0x89, 0xE5, 0x83, 0xE4, 0xF0}, PAGE_NOACCESS},
    };
    for (const MemoryCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto* memory = static_cast<uint8_t*>(
            VirtualAlloc(nullptr, 2 * 4096, MEM_RESERVE, PAGE_NOACCESS));
        ASSERT_NE(memory, nullptr);
        ASSERT_NE(VirtualAlloc(memory, 4096, MEM_COMMIT, PAGE_READWRITE), nullptr);
        std::memcpy(memory + c.offset, c.bytes.data(), c.bytes.size());
        DWORD previous = 0;
        ASSERT_TRUE(VirtualProtect(memory, 4096, c.protection, &previous));
        void* variable = memory + c.offset;
        EXPECT_FALSE(installInlineHook(&variable, asPointer(addThousand)));
        EXPECT_EQ(variable, memory + c.offset);
        ASSERT_TRUE(VirtualProtect(memory, 4096, PAGE_READONLY, &previous));
        EXPECT_EQ(std::memcmp(memory + c.offset, c.bytes.data(), c.bytes.size()), 0);
        VirtualFree(memory, 0, MEM_RELEASE);
    }
}

using GetProcAddressFunction = FARPROC(WINAPI*)(HMODULE, LPCSTR);

void* g_originalGetProcAddress = nullptr;

// Answers one made-up name itself and passes every other look-up on.
constexpr const char* kProbeName = "InlineHookProbe";

FARPROC WINAPI probeGetProcAddress(HMODULE module, LPCSTR name) {
    if (HIWORD(reinterpret_cast<uintptr_t>(name)) != 0 && std::strcmp(name, kProbeName) == 0) {
        return reinterpret_cast<FARPROC>(fixture_tiny);
    }
    return reinterpret_cast<GetProcAddressFunction>(g_originalGetProcAddress)(module, name);
}

TEST(InlineHook, HooksKernel32GetProcAddress) {
    const HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    const FARPROC getTickCount = GetProcAddress(kernel32, "GetTickCount");
    ASSERT_NE(getTickCount, nullptr);
    g_originalGetProcAddress = reinterpret_cast<void*>(&GetProcAddress);
    ASSERT_TRUE(installInlineHook(&g_originalGetProcAddress,
                                  reinterpret_cast<void*>(probeGetProcAddress)));

    EXPECT_EQ(GetProcAddress(kernel32, kProbeName), reinterpret_cast<FARPROC>(fixture_tiny));
    EXPECT_EQ(GetProcAddress(kernel32, "GetTickCount"), getTickCount);
    const auto original = reinterpret_cast<GetProcAddressFunction>(g_originalGetProcAddress);
    EXPECT_EQ(original(kernel32, kProbeName), nullptr);
    EXPECT_EQ(original(kernel32, "GetTickCount"), getTickCount);
}

using FopenFunction = void*(__cdecl*)(const char*, const char*);
using FwriteFunction = std::size_t(__cdecl*)(const void*, std::size_t, std::size_t, void*);
using FcloseFunction = int(__cdecl*)(void*);

void* g_originalFwrite = nullptr;
std::string g_fwriteSeen;

std::size_t __cdecl recordingFwrite(const void* data, std::size_t size, std::size_t count,
                                    void* file) {
    g_fwriteSeen.append(static_cast<const char*>(data), size * count);
    return reinterpret_cast<FwriteFunction>(g_originalFwrite)(data, size, count, file);
}

TEST(InlineHook, HooksMsvcr80Fwrite) {
    const HMODULE msvcr80 = LoadLibraryA("msvcr80.dll");
    ASSERT_NE(msvcr80, nullptr);
    const auto open = reinterpret_cast<FopenFunction>(GetProcAddress(msvcr80, "fopen"));
    const auto write = reinterpret_cast<FwriteFunction>(GetProcAddress(msvcr80, "fwrite"));
    const auto close = reinterpret_cast<FcloseFunction>(GetProcAddress(msvcr80, "fclose"));
    ASSERT_TRUE(open != nullptr && write != nullptr && close != nullptr);
    char folder[MAX_PATH];
    char path[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, folder), 0u);
    ASSERT_NE(GetTempFileNameA(folder, "hk", 0, path), 0u);

    g_originalFwrite = reinterpret_cast<void*>(write);
    ASSERT_TRUE(installInlineHook(&g_originalFwrite, reinterpret_cast<void*>(recordingFwrite)));
    void* file = open(path, "wb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(write("through the detour, ", 1, 20, file), 20u);
    EXPECT_EQ(reinterpret_cast<FwriteFunction>(g_originalFwrite)("then the trampoline", 1, 19,
                                                                  file),
              19u);
    EXPECT_EQ(close(file), 0);

    EXPECT_EQ(g_fwriteSeen, "through the detour, ");
    std::ifstream written(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}),
              "through the detour, then the trampoline");
    written.close();
    DeleteFileA(path);
}

}  // namespace
