#pragma once

// The host's hook routine: detours the function whose address *target holds; afterwards
// *target leads back into the original code. Returns false when it cannot hook.
using HookRoutine = bool (*)(void** target, void* detour);

// The block the host loader hands to tovek_plugin_init. Owned by the host.
struct PluginHostApi {
    HookRoutine hook;
    void (*log)(const char* text);
    const char* customData;
};
