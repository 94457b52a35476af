#pragma once

// Paths to and from wide texts. A wide text holds Unicode on every platform, while a path's
// narrow form is whatever the platform uses; going through UTF-8 keeps every character intact
// instead of relying on the locale's narrow encoding.

#include <boost/locale/encoding_utf.hpp>

#include <filesystem>
#include <string>

namespace Tovek::KV9Lua {

inline std::filesystem::path pathFromWide(const std::wstring& text) {
    const std::string utf8 = boost::locale::conv::utf_to_utf<char>(text);
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::wstring wideFromPath(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return boost::locale::conv::utf_to_utf<wchar_t>(std::string(utf8.begin(), utf8.end()));
}

}  // namespace Tovek::KV9Lua
