#include "hostgame/scenarios/message_box_recorder.h"

#include "hostgame/loader/inline_hook.h"

#include <windows.h>

#include <cstdio>

namespace HostGame {

namespace {

std::filesystem::path g_recordFile;

int WINAPI recordMessageBox(HWND, LPCSTR text, LPCSTR caption, UINT) {
    if (FILE* file = _wfopen(g_recordFile.c_str(), L"ab")) {
        std::fprintf(file, "%s|%s\n", caption ? caption : "", text ? text : "");
        std::fclose(file);
    }
    return IDOK;
}

}  // namespace

bool recordMessageBoxes(const std::filesystem::path& file) {
    g_recordFile = file;
    void* target = reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("user32.dll"), "MessageBoxA"));
    return installInlineHook(&target, reinterpret_cast<void*>(&recordMessageBox));
}

}  // namespace HostGame
