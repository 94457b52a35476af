#pragma once

// What the time-pause plug-in reaches above itself, in the overlay: the library's entry fills
// these at start-up and hands them to the plug-in's start, which keeps them for the plug-in's
// later calls. An empty callable is skipped.

#include "bridge/plugin_host_api.h"
#include "rudiveruv/d3d9_probe.h"
#include "rudiveruv/rudiveruv_state.h"  // g_timePauseEdges

#include <nlohmann/json_fwd.hpp>

#include <functional>
#include <string>
#include <string_view>

namespace Zo::KV9RudiVeruv {

using ThreadBody = unsigned long(__stdcall*)(void* data);

struct TimePauseEdges {
    // The plug-in's options (an object) that belong to the overlay. Throws on a bad value, and
    // the start then fails with its message.
    std::function<void(const nlohmann::json& options, void (*log)(const char* text))>
        readOverlayOptions;
    // Detours the game device's EndScene and Reset, which the probe found.
    std::function<void(HookRoutine hook, const Addresses& device)> installRenderDetours;
    // One line of the plug-in's own into the Output log.
    std::function<void(std::string_view line)> logLine;
    // One of the game's debug messages into the Output log.
    std::function<void(std::string message)> logGameMessage;
    // Right after the pause-allowed flag was set, under g_stateMutex.
    std::function<void()> pauseAllowedSet;
    // Starts body(data) on a detached thread of its own; false when no thread could start, with
    // the reason in GetLastError(). Each Lua state's watcher runs on one; without a starter no
    // state is watched.
    std::function<bool(ThreadBody body, void* data)> startThread;
};

}  // namespace Zo::KV9RudiVeruv
