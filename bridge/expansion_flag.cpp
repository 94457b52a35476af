#include "bridge/expansion_flag.h"

#include <boost/dll/runtime_symbol_info.hpp>

#include <algorithm>
#include <locale>
#include <string>

namespace Tovek::KV9Lua {

namespace {

bool hasExpansionKey(const nlohmann::json& config) {
    return config.is_object() && config.contains("isTarnveil");
}

}  // namespace

bool isExpansionPath(const std::filesystem::path& path) {
    const std::locale locale;
    auto upper = [&locale](wchar_t c) { return std::toupper(c, locale); };
    std::wstring text = path.wstring();
    std::wstring needle = L"kv9ep1";
    std::transform(text.begin(), text.end(), text.begin(), upper);
    std::transform(needle.begin(), needle.end(), needle.begin(), upper);
    return text.find(needle) != std::wstring::npos;
}

bool decideExpansionFlag(const nlohmann::json& config, const std::filesystem::path& executable) {
    if (hasExpansionKey(config)) return config["isTarnveil"].get<bool>();
    return isExpansionPath(executable);
}

bool decideExpansionFlag(const nlohmann::json& config) {
    if (hasExpansionKey(config)) return config["isTarnveil"].get<bool>();
    return isExpansionPath(boost::dll::program_location());
}

}  // namespace Tovek::KV9Lua
