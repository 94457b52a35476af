#include "bridge/defines.h"

#include <stdexcept>

namespace Tovek::KV9Lua {

void readDefines(const nlohmann::json& config, std::vector<LuaDefine>& defines) {
    if (!config.is_object() || !config.contains("defines")) return;
    const nlohmann::json& members = config["defines"];
    if (!members.is_object()) throw std::runtime_error("invalid json: defines should be a object");
    for (const auto& [name, value] : members.items()) {
        if (value.is_number()) {
            defines.push_back(LuaDefine{name, value.get<double>()});
        } else if (value.is_string()) {
            defines.push_back(LuaDefine{name, value.get<std::string>()});
        } else {
            throw std::runtime_error("invalid json: defines' values must be number or string");
        }
    }
}

}  // namespace Tovek::KV9Lua
