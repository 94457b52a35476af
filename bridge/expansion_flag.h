#pragma once

// Whether the game is the expansion, from the configuration or the executable's path.

#include <nlohmann/json.hpp>

#include <filesystem>

namespace Tovek::KV9Lua {

// True when "kv9ep1" occurs anywhere in the path, compared case-insensitively.
bool isExpansionPath(const std::filesystem::path& path);

// "isTarnveil" when the configuration has it (it must be a boolean), else the executable's path.
bool decideExpansionFlag(const nlohmann::json& config);
bool decideExpansionFlag(const nlohmann::json& config, const std::filesystem::path& executable);

}  // namespace Tovek::KV9Lua
