#pragma once

// The camera configuration file beside the plug-in module: the profiles and the three hotkey
// letters as one line of JSON, loaded on the first overlay frame and saved on request. Both
// operations leave two status lines for the main window and let no exception out.

#include "overlay/overlay_state.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace Zo::KV9RudiVeruv {

// Gives a module's own file; asked afresh each time the path is needed.
using ModulePathLookup = std::function<std::filesystem::path()>;

// This plug-in module's own file (not the game executable's); throws when the look-up fails.
std::filesystem::path pluginModulePath();

// g_configPath := the module's file with ".camera_config.txt" appended.
void buildConfigPath(const std::filesystem::path& modulePath);

std::wstring& setConfigPath(const std::wstring& path);

// The file of the stand-alone script-bridge module, read when the plug-in has none of its own.
std::wstring defaultConfigFileName();

// "HH:MM:SS.fffffff": the instant's time of day in UTC, in 100-nanosecond ticks.
std::string formatTimestamp(std::chrono::system_clock::time_point when);

// Fills g_cameraProfiles (never leaving it empty), the hotkeys and g_currentProfile. The caller
// holds g_stateMutex.
void loadCameraConfig(const ModulePathLookup& modulePath);

// Takes g_currentProfile into the list and writes the list and the hotkeys, always to the
// module's own file. The caller holds g_stateMutex.
void saveCameraConfig(const ModulePathLookup& modulePath);

}  // namespace Zo::KV9RudiVeruv
