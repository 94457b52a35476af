#include "hostgame/scenarios/overlay_game.h"

#include "hostgame/game/game_replay.h"
#include "hostgame/game/game_symbols.h"
#include "hostgame/loader/plugin_loader.h"

#include <fstream>
#include <thread>

namespace HostGame {

namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kTick = 2ms;
constexpr uint64_t kWatchedTicks = 6;

std::string customData(const nlohmann::json& pluginOptions,
                       const std::filesystem::path& outputLog) {
    nlohmann::json options = pluginOptions;
    const std::u8string path = outputLog.u8string();
    options["outputLogFile"] = std::string(path.begin(), path.end());
    const nlohmann::json plugin = {{"name", "KV9RudiVeruvPlugin"}, {"customData", options}};
    return nlohmann::json{{"cache", nullptr}, {"luaPluginData", nlohmann::json::array({plugin})}}
        .dump();
}

}  // namespace

OverlayGame::OverlayGame(ScenarioChecks& checks, const std::string& scenario,
                         const OverlayGameOptions& options)
    : m_checks(checks),
      m_site(placeDebugModuleCallSite(DebugModuleBuild::A)),
      m_device(options.device),
      m_holder(DeviceHolderBuild::A, m_device.device()),
      m_loop(m_site, kTick, options.lookUp) {
    const auto dll = freshPluginCopy(scenario);
    m_folder = dll.parent_path();
    m_outputLog = m_folder / "output.log";
    if (options.cameraConfig) {
        std::ofstream(m_folder / "Vellox.dll.camera_config.txt") << options.cameraConfig->dump();
    }
    useSystemFonts(options.fonts);
    gameRuntime();  // bound before any plug-in starts, as the game's imports are
    const std::string data = customData(options.pluginOptions, m_outputLog);
    const PluginRun run = runPlugin(dll, data.c_str());
    m_started = run.loaded && run.result;
    checks.check(m_started, "tovek_plugin_init returned true");
    if (!m_started) {
        for (const auto& line : run.log) std::printf("  log: %s\n", line.c_str());
    }
}

OverlayGame::~OverlayGame() = default;

FrameImage OverlayGame::frame(const std::string& when) {
    FrameResults results = m_device.drawFrame(kGameColor, true);
    const bool drawn = results.succeeded() && results.image.has_value();
    if (!drawn || !results.cameraLeftAlone) {
        m_checks.check(drawn, "the frame " + when + " gave D3D_OK four times and was read back");
        m_checks.check(results.cameraLeftAlone,
                       "the frame " + when + " left the game's camera to the game");
    }
    return results.image ? std::move(*results.image) : FrameImage{};
}

FrameResults OverlayGame::cameraFrame(const std::string& when) {
    FrameResults results = m_device.drawFrame(kGameColor);
    if (!results.succeeded()) m_checks.check(false, "the frame " + when + " gave D3D_OK four times");
    return results;
}

void OverlayGame::startGameLuaState() {
    m_luaState = newGameState();
    assignGlobalFunction(m_luaState.get(), "GetFrame", host_base_noop);
}

bool OverlayGame::logicHeld() {
    m_loop.waitForTicks(2);  // the tick under way may have begun before the change
    const GameLogicStatus before = m_loop.status();
    const bool ticked = m_loop.waitForTicks(kWatchedTicks);
    const GameLogicStatus after = m_loop.status();
    return ticked && after.heldTicks - before.heldTicks == after.ticks - before.ticks;
}

bool OverlayGame::logicRuns() {
    m_loop.waitForTicks(2);
    const GameLogicStatus before = m_loop.status();
    const bool ticked = m_loop.waitForTicks(kWatchedTicks);
    const GameLogicStatus after = m_loop.status();
    return ticked && after.heldTicks == before.heldTicks;
}

bool onlyGameColor(const FrameImage& image) {
    return !image.pixels.empty() && overlayPixels(image) == 0;
}

int overlayPixels(const FrameImage& image) {
    int pixels = 0;
    for (const uint32_t pixel : image.pixels) pixels += pixel != kGameColor;
    return pixels;
}

int inGame(ScenarioChecks& checks, const char* scenario, const OverlayGameOptions& options,
           OverlayGameBody body) {
    try {
        OverlayGame game(checks, scenario, options);
        if (!game.started()) return checks.exitCode();
        return body(checks, game);
    } catch (const std::exception& error) {
        checks.check(false, std::string("the game ran: ") + error.what());
        return checks.exitCode();
    }
}

}  // namespace HostGame
