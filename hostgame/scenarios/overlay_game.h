#pragma once

// The game as the overlay scenarios run it: build A's code, its device in the holder, the logic
// loop going, and the plug-in started with its Output log going to a file.

#include "hostgame/game/game_debug_module.h"
#include "hostgame/game/game_device.h"
#include "hostgame/game/game_fonts.h"
#include "hostgame/game/game_scripts.h"
#include "hostgame/scenarios/scenario_checks.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace HostGame {

// The colour the game clears its frames to.
inline constexpr D3DCOLOR kGameColor = 0x204060;

struct OverlayGameOptions {
    SystemFonts fonts = SystemFonts::None;
    // The plug-in's "customData".
    nlohmann::json pluginOptions = {{"hotkey", "p"}, {"hotkey_for_pause", "o"}};
    // The camera configuration file beside the plug-in, when the game has one.
    std::optional<nlohmann::json> cameraConfig;
    GameDeviceOptions device;
    // What the call site's import slot leads to instead of GetProcAddress, when not null.
    ProcAddressLookUp lookUp = nullptr;
};

class OverlayGame {
public:
    // Throws std::runtime_error when the game's device cannot be made.
    OverlayGame(ScenarioChecks& checks, const std::string& scenario,
                const OverlayGameOptions& options = {});
    ~OverlayGame();

    bool started() const { return m_started; }
    GameDevice& device() { return m_device; }
    GameWindow& window() { return m_device.window(); }
    GameLogicLoop& loop() { return m_loop; }
    // The debug module the start-up handed the game.
    HMODULE debugModule() const { return *m_site.handleGlobal; }
    const std::filesystem::path& outputLog() const { return m_outputLog; }
    const std::filesystem::path& folder() const { return m_folder; }

    // One frame read back whole; checks that its calls succeeded and that the plug-in left the
    // game's camera alone.
    FrameImage frame(const std::string& when);
    // One frame not read back whole, its camera as the frame left it; checks that its calls
    // succeeded.
    FrameResults cameraFrame(const std::string& when);
    // A game Lua state whose scripts assign "GetFrame": time pause is then decided for it.
    void startGameLuaState();
    // The state ends as the game ends it: destroyed, its files closed.
    void endGameLuaState() { m_luaState.reset(); }
    // That state, once started.
    lua_State* gameLuaState() const { return m_luaState.get(); }

    // Whether the logic holds (CanAppContinue says false) on every tick watched, or on none.
    bool logicHeld();
    bool logicRuns();

private:
    ScenarioChecks& m_checks;
    DebugModuleCallSite m_site;
    GameDevice m_device;
    DeviceHolder m_holder;
    GameLogicLoop m_loop;
    std::filesystem::path m_folder;
    std::filesystem::path m_outputLog;
    std::unique_ptr<lua_State> m_luaState;
    bool m_started = false;
};

// The frame shows nothing but the game's own colour.
using OverlayGameBody = int (*)(ScenarioChecks& checks, OverlayGame& game);

// Runs the body in a game made with the options; a game that cannot be made fails the scenario.
int inGame(ScenarioChecks& checks, const char* scenario, const OverlayGameOptions& options,
           OverlayGameBody body);

bool onlyGameColor(const FrameImage& image);
// How many pixels of the frame are not the game's colour.
int overlayPixels(const FrameImage& image);

}  // namespace HostGame
