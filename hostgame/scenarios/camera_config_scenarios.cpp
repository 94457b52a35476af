#include "hostgame/scenarios/camera_config_scenarios.h"

#include "hostgame/game/frame_image.h"
#include "hostgame/scenarios/overlay_game.h"
#include "hostgame/scenarios/tool_window_layout.h"

#include <windows.h>

#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

namespace HostGame {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string readBytes(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

// What the stand-alone module's file holds: one profile with two keyframes and an event.
json orrinConfig() {
    const auto point = [](float x, const char* label) {
        return json{{"x", x}, {"y", 20.0f}, {"z", 30.0f}, {"r1", 0.5f}, {"r2", 45.0f},
                    {"r3", 0.0f}, {"label", label}};
    };
    const json profile = {
        {"description", "从 Orrin 来的配置"},
        {"animations", json::array({json::array({0.5f, point(10.0f, "起点")}),
                                    json::array({2.0f, point(-10.0f, "终点")})})},
        {"timedEvents", json::array({{{"gameTime", -1.0f},
                                      {"relativeTime", 1.5f},
                                      {"willSwitchPause", true},
                                      {"willSwitchAnimation", false}}})}};
    return {{"cameraControls", json::array({profile})},
            {"hotkeyAnimation", "A"},
            {"hotkeyPause", "O"},
            {"hotkeyDisplay", "P"}};
}

// The file as the save writes it: one line of JSON, then CR LF.
bool savedLine(const std::string& bytes, json& config) {
    if (bytes.size() < 2 || bytes.compare(bytes.size() - 2, 2, "\r\n") != 0) return false;
    const std::string line = bytes.substr(0, bytes.size() - 2);
    if (line.find_first_of("\r\n") != std::string::npos) return false;
    config = json::parse(line, nullptr, false);
    return !config.is_discarded();
}

// The game's first frame reads the stand-alone module's file; "保存配置" writes the plug-in's
// own, a second save replaces it, and a save that cannot replace it (the file is held open)
// leaves it as it was.
int cameraConfigSaved(ScenarioChecks& checks) {
    try {
        writeToolWindowLayout(fs::current_path());
        OverlayGameOptions options;
        options.fonts = SystemFonts::MonospaceAndChinese;
        OverlayGame game(checks, "tool_windows_camera_config", options);
        if (!game.started()) return checks.exitCode();
        const fs::path fallback = game.folder() / "Orrin.dll.camera_config.txt";
        const fs::path primary = game.folder() / "Vellox.dll.camera_config.txt";
        const fs::path temporary = game.folder() / "Vellox.dll.camera_config.txt.tmp";
        const std::string fallbackText = orrinConfig().dump(2);
        std::ofstream(fallback, std::ios::binary) << fallbackText;
        checks.check(!fs::exists(primary), "the plug-in has no configuration file of its own");

        game.startGameLuaState();  // camera control needs time pause allowed
        for (int i = 0; i < 3; ++i) game.device().drawFrame(kGameColor);
        GameMouse mouse(game.device());
        mouse.click(kCameraControlSwitch);
        const FrameResults shown = game.device().drawFrame(kGameColor, true);
        if (shown.image) writePng(game.folder() / "1-camera-control.png", *shown.image);
        mouse.click(kSaveConfig);

        json saved;
        checks.check(savedLine(readBytes(primary), saved),
                     "保存配置 wrote the plug-in's own file, one line ending in CR LF");
        const json expected = orrinConfig();
        checks.check(saved == expected,
                     "it holds the profile, keyframes, event and hotkeys read from " +
                         fallback.filename().string());
        checks.check(readBytes(fallback) == fallbackText,
                     "the stand-alone module's file is untouched");

        mouse.click(kNewProfile);
        mouse.click(kSaveConfig);
        json replaced;
        const bool twoProfiles = savedLine(readBytes(primary), replaced) &&
                                 replaced.at("cameraControls").size() == 2 &&
                                 replaced.at("cameraControls").at(0) == expected.at("cameraControls").at(0);
        checks.check(twoProfiles, "a second save after 新配置 replaced the file: two profiles");
        checks.check(!fs::exists(temporary), "no temporary file is left beside it");

        // Open as an editor may hold it, without sharing its deletion: no rename can replace it.
        const std::string before = readBytes(primary);
        const HANDLE held = CreateFileW(primary.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        checks.check(held != INVALID_HANDLE_VALUE, "the game holds the file open");
        mouse.click(kNewProfile);
        mouse.click(kSaveConfig);
        CloseHandle(held);
        checks.check(readBytes(primary) == before,
                     "a save that cannot replace the file held open leaves it whole");
        checks.check(!fs::exists(temporary), "and removes its temporary file");
        checkOutputLog(checks, game.outputLog(), {});
        return checks.exitCode();
    } catch (const std::exception& error) {
        checks.check(false, std::string("the game ran: ") + error.what());
        return checks.exitCode();
    }
}

// A camera man's file of three profiles, as "保存配置" writes one.
std::string threeProfiles() {
    json config = orrinConfig();
    json second = config.at("cameraControls").at(0);
    second["description"] = "第二个镜头";
    json third = second;
    third["description"] = "终场";
    config["cameraControls"].push_back(second);
    config["cameraControls"].push_back(third);
    return config.dump() + "\r\n";
}

// The plug-in's configuration file holds `bytes`, which its first frame cannot read (the file is
// broken, or another program holds it while `held`); camera control is switched on and "保存配置"
// pressed twice. The bytes stay beside the file, in a copy named in the Output log.
int configNotReadIsKept(ScenarioChecks& checks, const char* scenario, const std::string& bytes,
                        bool held) {
    try {
        writeToolWindowLayout(fs::current_path());
        OverlayGameOptions options;
        options.fonts = SystemFonts::MonospaceAndChinese;
        OverlayGame game(checks, scenario, options);
        if (!game.started()) return checks.exitCode();
        const fs::path primary = game.folder() / "Vellox.dll.camera_config.txt";
        const fs::path copy = game.folder() / "Vellox.dll.camera_config.txt.unreadable-1";
        std::ofstream(primary, std::ios::binary) << bytes;

        // Open as a program that shares nothing while it works on the file.
        HANDLE holder = INVALID_HANDLE_VALUE;
        if (held) {
            holder = CreateFileW(primary.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
            checks.check(holder != INVALID_HANDLE_VALUE, "another program holds the file");
        }
        game.startGameLuaState();  // camera control needs time pause allowed
        for (int i = 0; i < 3; ++i) game.device().drawFrame(kGameColor);
        if (held) CloseHandle(holder);  // and lets it go

        GameMouse mouse(game.device());
        mouse.click(kCameraControlSwitch);
        const FrameResults failed = game.device().drawFrame(kGameColor, true);
        if (failed.image) writePng(game.folder() / "1-load-failed.png", *failed.image);
        mouse.click(kSaveConfig);
        mouse.click(kSaveConfig);
        const FrameResults saved = game.device().drawFrame(kGameColor, true);
        if (saved.image) writePng(game.folder() / "2-saved-twice.png", *saved.image);

        json written;
        checks.check(savedLine(readBytes(primary), written) &&
                         written.at("cameraControls").size() == 1,
                     "保存配置 wrote the one profile the failed load left");
        checks.check(readBytes(copy) == bytes,
                     "the file's bytes are kept beside it in " + copy.filename().string());
        checks.check(!fs::exists(game.folder() / "Vellox.dll.camera_config.txt.unreadable-2"),
                     "the second save made no second copy");
        std::error_code noCopy;
        const std::u8string shown = fs::canonical(copy, noCopy).u8string();
        checkOutputLog(checks, game.outputLog(),
                       {"保存配置：没有读入的原配置文件已原样另存为 " +
                        std::string(shown.begin(), shown.end())});
        return checks.exitCode();
    } catch (const std::exception& error) {
        checks.check(false, std::string("the game ran: ") + error.what());
        return checks.exitCode();
    }
}

// One keyframe of the third profile lacks its "label".
int cameraConfigBrokenKept(ScenarioChecks& checks) {
    json config = json::parse(threeProfiles());
    config["cameraControls"][2]["animations"][0][1].erase("label");
    return configNotReadIsKept(checks, "tool_windows_camera_config_broken_kept",
                               config.dump() + "\r\n", false);
}

// A whole file, held with no sharing at the first frame.
int cameraConfigHeldKept(ScenarioChecks& checks) {
    return configNotReadIsKept(checks, "tool_windows_camera_config_held_kept", threeProfiles(),
                               true);
}

}  // namespace

const std::vector<Scenario>& cameraConfigScenarios() {
    static const std::vector<Scenario> scenarios = {
        {"tool_windows_camera_config", cameraConfigSaved},
        {"tool_windows_camera_config_broken_kept", cameraConfigBrokenKept},
        {"tool_windows_camera_config_held_kept", cameraConfigHeldKept},
    };
    return scenarios;
}

}  // namespace HostGame
