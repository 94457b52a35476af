#pragma once

// The block the host loader hands to tovek_plugin_init. Owned by the host.
struct PluginHostApi {
    // Detours the function whose address *target holds; afterwards *target leads back into the
    // original code. Returns false when it cannot hook.
    bool (*hook)(void** target, void* detour);
    void (*log)(const char* text);
    const char* customData;
};
