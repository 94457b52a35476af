#include "overlay/camera_config.h"

#include "bridge/wide_path.h"
#include "overlay/camera_profile.h"
#include "overlay/config_number_repair.h"
#include "overlay/hotkey_letters.h"
#include "overlay/nul_padded_text.h"
#include "overlay/output_log.h"

#include <boost/dll/runtime_symbol_info.hpp>
#include <boost/locale/encoding_utf.hpp>
#include <boost/format.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
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
bool g_configFileNotRead = false;
std::wstring g_configKeptCopy;

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

// A file as the status lines show it: its canonical form where the file system gives one (a
// share may not), else as named; the long-path prefix "\\?\" (and "\\?\UNC\" for a share) is
// left out either way. Never throws.
std::string shownPath(const fs::path& file) {
    std::wstring text = wideFromPath(file);
    if (text.starts_with(LR"(\\?\UNC\)")) {
        text.replace(0, 8, LR"(\\)");
    } else if (text.starts_with(LR"(\\?\)")) {
        text.erase(0, 4);
    }
    std::error_code error;
    const fs::path canonical = fs::canonical(pathFromWide(text), error);
    if (!error) text = wideFromPath(canonical);
    return boost::locale::conv::utf_to_utf<char>(text);
}

std::string stampedNow(const char* text) {
    return formatTimestamp(std::chrono::system_clock::now()) + text;
}

constexpr const char* kHotkeyKeys[] = {"hotkeyAnimation", "hotkeyPause", "hotkeyDisplay"};

// What the user must know after a load that did not read the file.
constexpr const char* kNotReadNotice =
    "\n配置文件没有读入；保存配置不会丢掉它：覆盖前先原样另存一份。";

// The save's detail line names the copy of a file that was not read, once there is one.
std::string keptCopyNote() {
    if (g_configKeptCopy.empty()) return {};
    return "\n没有读入的原配置文件已原样另存为：" + shownPath(pathFromWide(g_configKeptCopy));
}

// Lines in the Output log for what the load changed of a file it read: values read as 0 and
// keyframes dropped for a time an earlier one has.
void reportRepairs(const RepairedNumbers& repaired, const DroppedKeyframes& dropped) {
    std::string values;
    if (repaired.nonFinite != 0) {
        values = (boost::format("%1% 个数值不是有限数") % repaired.nonFinite).str();
    }
    if (repaired.notNumbers != 0) {
        values += (boost::format("%1%%2% 个值不是数字") % (values.empty() ? "" : "，") %
                   repaired.notNumbers)
                      .str();
    }
    if (!values.empty()) {
        appendOutputLog((boost::format("加载配置：%1%，已按 0 读取，第一个在 %2%") % values %
                         repaired.first)
                            .str());
    }
    if (dropped.count != 0) {
        appendOutputLog(
            (boost::format("加载配置：%1% 个动画坐标与前面的时间相同，已舍弃，第一个在 %2%") %
             dropped.count % dropped.first)
                .str());
    }
}

// The loader's reading of a text the save made must give back the very profiles it was made
// from, with nothing to repair; otherwise the save would lose them.
void checkReadsBack(const std::string& text, const std::vector<CameraProfile>& profiles) {
    json config = json::parse(text);
    const RepairedNumbers repaired = repairNonFiniteNumbers(config);
    if (repaired.nonFinite + repaired.notNumbers != 0) {
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

// The failure of a file operation, with the reason the C runtime left in errno.
[[noreturn]] void throwFileError(int errorNumber, const std::string& what) {
    throw std::system_error(errorNumber != 0 ? errorNumber : EIO, std::generic_category(), what);
}

// A file system's failure in its portable form where it has one, so that its reason reads
// alike everywhere.
[[noreturn]] void throwFileError(const std::error_code& error, const std::string& what) {
    const std::error_condition portable = error.default_error_condition();
    if (portable.category() == std::generic_category()) {
        throw std::system_error(portable.value(), std::generic_category(), what);
    }
    throw std::system_error(error, what);
}

// The text goes to a file of its own beside the target, which then takes the target's place in
// one rename: whatever fails, the old file stays whole.
void replaceFile(const fs::path& target, const std::string& text) {
    fs::path temporary = target;
    temporary += ".tmp";
    try {
        errno = 0;
        std::ofstream stream(temporary, std::ios::out | std::ios::trunc | std::ios::binary);
        if (!stream) throwFileError(errno, "cannot write " + shownPath(temporary));
        stream << text << std::flush;
        stream.close();
        if (!stream) throwFileError(errno, "cannot write " + shownPath(temporary));
        std::error_code error;
        fs::rename(temporary, target, error);  // MoveFileExW, replacing, on Windows
        if (error) throwFileError(error, "cannot replace it");
    } catch (...) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw;
    }
}

// After a load that could not read the file, its bytes go to a copy beside it under a name that
// says so, before the first save replaces it. An earlier copy is never overwritten; a file that
// is gone leaves nothing to keep.
void keepFileNotRead(const fs::path& file) {
    if (!g_configFileNotRead) return;
    std::error_code error;
    if (fs::status(file, error).type() != fs::file_type::not_found) {
        for (int number = 1;; ++number) {
            fs::path copy = file;
            copy += ".unreadable-" + std::to_string(number);
            if (fs::copy_file(file, copy, error)) {
                g_configKeptCopy = wideFromPath(copy);
                appendOutputLog("保存配置：没有读入的原配置文件已原样另存为 " + shownPath(copy));
                break;
            }
            if (error != std::errc::file_exists) {
                throwFileError(error, "cannot copy it to " + shownPath(copy));
            }
        }
    }
    g_configFileNotRead = false;
}

// Opens the file; false when there is none. A file that is there but cannot be opened (another
// program holds it, it may not be read) throws: only a missing file is a first run.
bool openIfPresent(std::ifstream& stream, const fs::path& file) {
    errno = 0;
    stream.open(file);
    if (stream) return true;
    const int openError = errno;
    std::error_code ignored;
    if (fs::status(file, ignored).type() == fs::file_type::not_found) return false;
    throwFileError(openError, "cannot open " + shownPath(file));
}

// The load up to its status lines; every failure throws. No file at all is not a failure.
void readConfigFile(const ModulePathLookup& modulePath) {
    buildConfigPath(modulePath());
    g_currentProfileIndex = 0;
    std::ifstream stream;
    if (!openIfPresent(stream, pathFromWide(g_configPath))) {
        fs::path fallback = pathFromWide(setConfigPath(wideFromPath(modulePath())));
        fallback.remove_filename();
        fallback /= defaultConfigFileName();
        setConfigPath(wideFromPath(fallback));
        if (!openIfPresent(stream, fallback)) {
            g_cameraProfiles.resize(1);  // first run: one default profile and no status
            return;
        }
    }
    json config = json::parse(stream);
    const RepairedNumbers repaired = repairNonFiniteNumbers(config);
    g_cameraProfiles = config.at("cameraControls").get<std::vector<CameraProfile>>();
    readHotkey(config, kHotkeyKeys[0], g_hotkeyAnimation);
    readHotkey(config, kHotkeyKeys[1], g_hotkeyPause);
    readHotkey(config, kHotkeyKeys[2], g_hotkeyDisplay);
    for (char* hotkey : {&g_hotkeyAnimation, &g_hotkeyPause, &g_hotkeyDisplay}) {
        *hotkey = hotkeyLetter(*hotkey);
    }
    g_configStatusDetail = shownPath(pathFromWide(g_configPath));
    g_configStatusText = stampedNow(" 已加载配置文件：");
    reportRepairs(repaired, findDroppedKeyframes(config));
}

void loadFailed(const std::string& status) {
    g_cameraProfiles.resize(1);  // keeps a profile already read from the file
    g_configStatusText = status + kNotReadNotice;
    g_configFileNotRead = true;
}

// The save after the module's path is known; every failure throws.
void writeConfigFile() {
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
    const fs::path file = pathFromWide(g_configPath);
    keepFileNotRead(file);
    replaceFile(file, text);
    g_configStatusDetail = shownPath(file) + keptCopyNote();
    g_configStatusText = stampedNow(" 已保存配置文件：");
}

// The detail line of a failed save says which file was not written and why.
void saveFailed(const std::string& file, const std::string& reason) {
    g_configStatusText = "保存配置出错";
    g_configStatusDetail = "未写入" + file + (reason.empty() ? "" : "：" + reason) + keptCopyNote();
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
    g_configFileNotRead = false;
    g_configKeptCopy.clear();
    try {
        readConfigFile(modulePath);
    } catch (const std::exception& error) {
        loadFailed(std::string("加载配置出错：") + error.what());
    } catch (...) {
        loadFailed("加载配置出错");
    }
    // A file with no profiles still leaves one to work on.
    if (g_cameraProfiles.empty()) g_cameraProfiles.resize(1);
    g_currentProfile = g_cameraProfiles[0];
}

void saveCameraConfig(const ModulePathLookup& modulePath) {
    std::string file = "配置文件";  // until the module's path is known
    try {
        buildConfigPath(modulePath());  // also after a load from the fallback file
        file = " " + shownPath(pathFromWide(g_configPath));
        writeConfigFile();
    } catch (const std::exception& error) {
        saveFailed(file, error.what());
    } catch (...) {
        saveFailed(file, {});
    }
}

}  // namespace Zo::KV9RudiVeruv
