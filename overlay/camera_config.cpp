#include "overlay/camera_config.h"

#include "bridge/wide_path.h"
#include "overlay/camera_profile.h"
#include "overlay/config_number_repair.h"
#include "overlay/hotkey_letters.h"
#include "overlay/nul_padded_text.h"
#include "overlay/output_log.h"

#include <boost/dll/runtime_symbol_info.hpp>
#include <boost/format.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <fstream>
#include <iomanip>
#include <ratio>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace Zo::KV9RudiVeruv {

using nlohmann::json;
using Tovek::KV9Lua::pathFromWide;
using Tovek::KV9Lua::wideFromPath;
namespace fs = std::filesystem;

std::wstring g_configPath;
std::string g_configStatusText;
std::string g_configStatusDetail;

namespace {

// An ASCII letter in upper case; any other byte means no hotkey.
char hotkeyLetter(char byte) {
    if (byte >= 'a' && byte <= 'z') return static_cast<char>(byte - 'a' + 'A');
    if (byte >= 'A' && byte <= 'Z') return byte;
    return 0;
}

// The string's first byte as it stands, 0 for an empty string or a byte that is no whole
// character by itself.
void readHotkey(const json& config, const char* key, char& hotkey) {
    hotkey = hotkeyByte(config.at(key).get<std::string>().c_str()[0]);
}

std::string canonicalUtf8(const std::wstring& path) {
    const std::u8string text = std::filesystem::canonical(pathFromWide(path)).u8string();
    return {text.begin(), text.end()};
}

std::string stampedNow(const char* text) {
    return formatTimestamp(std::chrono::system_clock::now()) + text;
}

constexpr const char* kHotkeyKeys[] = {"hotkeyAnimation", "hotkeyPause", "hotkeyDisplay"};

// A line in the Output log for the values read as 0; the load itself goes on.
void reportRepairedNumbers(const RepairedNumbers& repaired) {
    if (repaired.count == 0) return;
    appendOutputLog((boost::format("加载配置：%1% 个数值不是有限数，已按 0 读取，第一个在 %2%") %
                     repaired.count % repaired.first)
                        .str());
}

// The loader's reading of a text the save made must give back the very profiles it was made
// from, with nothing to repair; otherwise the save would lose them.
void checkReadsBack(const std::string& text, const std::vector<CameraProfile>& profiles) {
    json config = json::parse(text);
    if (repairNonFiniteNumbers(config).count != 0) {
        throw std::runtime_error("a value is not a finite number");
    }
    const auto readBack = config.at("cameraControls").get<std::vector<CameraProfile>>();
    for (const char* key : kHotkeyKeys) config.at(key).get<std::string>();
    const bool same = std::equal(readBack.begin(), readBack.end(), profiles.begin(),
                                 profiles.end(), [](const CameraProfile& a, const CameraProfile& b) {
                                     return sameSavedFields(a, b);
                                 });
    if (!same) throw std::runtime_error("the text does not read back as the profiles");
}

// The text goes to a file of its own beside the target, which then takes the target's place in
// one rename: whatever fails, the old file stays whole.
void replaceFile(const fs::path& target, const std::string& text) {
    fs::path temporary = target;
    temporary += ".tmp";
    try {
        std::ofstream stream;
        stream.exceptions(std::ios::failbit | std::ios::badbit);
        stream.open(temporary, std::ios::out | std::ios::trunc | std::ios::binary);
        stream << text << std::flush;
        stream.close();
        fs::rename(temporary, target);  // MoveFileExW with MOVEFILE_REPLACE_EXISTING on Windows
    } catch (...) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw;
    }
}

// The load up to its status lines; every failure throws. No file at all is not a failure.
void readConfigFile(const ModulePathLookup& modulePath) {
    buildConfigPath(modulePath());
    g_currentProfileIndex = 0;
    std::ifstream stream{pathFromWide(g_configPath)};
    if (!stream) {
        std::filesystem::path fallback = pathFromWide(setConfigPath(wideFromPath(modulePath())));
        fallback.remove_filename();
        fallback /= defaultConfigFileName();
        setConfigPath(wideFromPath(fallback));
        stream.clear();
        stream.open(fallback);
        if (!stream) {
            g_cameraProfiles.resize(1);  // first run: one default profile and no status
            return;
        }
    }
    json config = json::parse(stream);
    reportRepairedNumbers(repairNonFiniteNumbers(config));
    g_cameraProfiles = config.at("cameraControls").get<std::vector<CameraProfile>>();
    readHotkey(config, kHotkeyKeys[0], g_hotkeyAnimation);
    readHotkey(config, kHotkeyKeys[1], g_hotkeyPause);
    readHotkey(config, kHotkeyKeys[2], g_hotkeyDisplay);
    for (char* hotkey : {&g_hotkeyAnimation, &g_hotkeyPause, &g_hotkeyDisplay}) {
        *hotkey = hotkeyLetter(*hotkey);
    }
    g_configStatusDetail = canonicalUtf8(g_configPath);
    g_configStatusText = stampedNow(" 已加载配置文件：");
}

void writeConfigFile(const ModulePathLookup& modulePath) {
    buildConfigPath(modulePath());  // also after a load from the fallback file
    json config = json::object();
    if (static_cast<uint32_t>(g_currentProfileIndex) >= g_cameraProfiles.size()) {
        g_currentProfileIndex = static_cast<int32_t>(g_cameraProfiles.size());
        g_cameraProfiles.emplace_back();
    }
    g_cameraProfiles[static_cast<std::size_t>(g_currentProfileIndex)] = g_currentProfile;
    for (CameraProfile& profile : g_cameraProfiles) {
        cutAtNul(profile.description);
        for (auto& keyframe : profile.animations) cutAtNul(keyframe.second.label);
    }
    config["cameraControls"] = g_cameraProfiles;
    config[kHotkeyKeys[0]] = std::string(1, g_hotkeyAnimation);
    config[kHotkeyKeys[1]] = std::string(1, g_hotkeyPause);
    config[kHotkeyKeys[2]] = std::string(1, g_hotkeyDisplay);

    // The whole text before any file is touched (text that is not UTF-8 throws here). The one
    // line ends in CR LF on every platform, as a Windows text-mode stream writes it.
    const std::string text = config.dump() + "\r\n";
    checkReadsBack(text, g_cameraProfiles);
    replaceFile(pathFromWide(g_configPath), text);
    g_configStatusDetail = canonicalUtf8(g_configPath);
    g_configStatusText = stampedNow(" 已保存配置文件：");
}

}  // namespace

std::filesystem::path pluginModulePath() { return boost::dll::this_line_location(); }

void buildConfigPath(const std::filesystem::path& modulePath) {
    g_configPath = wideFromPath(modulePath) + L".camera_config.txt";
}

std::wstring& setConfigPath(const std::wstring& path) {
    g_configPath = path;
    return g_configPath;
}

std::wstring defaultConfigFileName() { return L"Orrin.dll.camera_config.txt"; }

std::string formatTimestamp(std::chrono::system_clock::time_point when) {
    using Ticks = std::chrono::duration<int64_t, std::ratio<1, 10'000'000>>;
    const std::chrono::hh_mm_ss<Ticks> time(std::chrono::floor<Ticks>(when) -
                                            std::chrono::floor<std::chrono::days>(when));
    std::ostringstream text;
    text.exceptions(std::ios::failbit | std::ios::badbit);
    text << std::setfill('0') << std::setw(2) << time.hours().count() << ':' << std::setw(2)
         << time.minutes().count() << ':' << std::setw(2) << time.seconds().count() << '.'
         << std::setw(7) << time.subseconds().count();
    return text.str();
}

void loadCameraConfig(const ModulePathLookup& modulePath) {
    try {
        readConfigFile(modulePath);
    } catch (const std::exception& error) {
        g_cameraProfiles.resize(1);  // keeps a profile already read from the file
        g_configStatusText = std::string("加载配置出错：") + error.what();
    } catch (...) {
        g_cameraProfiles.resize(1);
        g_configStatusText = "加载配置出错";
    }
    // A file with no profiles still leaves one to work on.
    if (g_cameraProfiles.empty()) g_cameraProfiles.resize(1);
    g_currentProfile = g_cameraProfiles[0];
}

void saveCameraConfig(const ModulePathLookup& modulePath) {
    try {
        writeConfigFile(modulePath);
    } catch (...) {
        g_configStatusText = "保存配置出错";
    }
}

}  // namespace Zo::KV9RudiVeruv
