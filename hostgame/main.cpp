// hostgame.exe: the stand-in host loader and host game in one process.
//   --scenario NAME   runs one scenario; exit 0 when every check held
//   --demo            a session for the README's main command
//   --startup DLL     one start-up of DLL (used by scenarios for a first process)
//   --timed-startup DLL   one start-up, timed (used by scripts/bench)
//   --overlay-bench FRAMES   the overlay's frame cost beside EndScene (used by scripts/bench)
//   --fatal-child KIND FILE   the failing half of a fatal scenario
//   --exit-child DLL   a process that ends right after its game Lua state
//   --exit-recording-child DLL   a process that ends while it records a replay
//   --exit-writing-child DLL   a process that ends while a second thread writes a replay
//   --missing-module-child MODULE DLL FILE   a start-up in a game that has not loaded MODULE

#include "hostgame/scenarios/bridge_scenarios.h"
#include "hostgame/scenarios/camera_config_scenarios.h"
#include "hostgame/demo/demo.h"
#include "hostgame/scenarios/device_scenarios.h"
#include "hostgame/scenarios/exit_scenarios.h"
#include "hostgame/scenarios/host_and_user_scenarios.h"
#include "hostgame/scenarios/logic_scenarios.h"
#include "hostgame/scenarios/lua_thread_scenarios.h"
#include "hostgame/scenarios/missing_module_scenarios.h"
#include "hostgame/scenarios/overlay_bench.h"
#include "hostgame/scenarios/overlay_scenarios.h"
#include "hostgame/scenarios/patch_scenarios.h"
#include "hostgame/loader/process_end.h"
#include "hostgame/scenarios/render_scenarios.h"
#include "hostgame/scenarios/scenario_checks.h"
#include "hostgame/scenarios/startup_failure_scenarios.h"
#include "hostgame/scenarios/startup_scenarios.h"
#include "hostgame/scenarios/tool_window_scenarios.h"
#include "hostgame/scenarios/world_scenarios.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <shellapi.h>
#include <string>

namespace HostGame {

std::vector<Scenario> allScenarios() {
    std::vector<Scenario> all = startupScenarios();
    for (const auto* more : {&startupFailureScenarios(), &bridgeScenarios(), &patchScenarios(),
                             &worldScenarios(), &logicScenarios(), &deviceScenarios(),
                             &renderScenarios(), &exitScenarios(), &missingModuleScenarios(),
                             &overlayScenarios(), &toolWindowScenarios(),
                             &hostAndUserScenarios(), &cameraConfigScenarios(),
                             &luaThreadScenarios()}) {
        all.insert(all.end(), more->begin(), more->end());
    }
    return all;
}

}  // namespace HostGame

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    // A crash must end the process at once rather than wait on an error dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    const std::wstring command = argc > 1 ? argv[1] : L"";
    // The game links the 2005 C runtime and draws with Direct3D 9: both are loaded before the
    // host loader starts any plug-in, but for the one a missing-module child leaves out.
    const bool missingModuleChild = argc > 4 && command == L"--missing-module-child";
    for (const wchar_t* module : {L"msvcr80.dll", L"d3d9.dll"}) {
        if (!missingModuleChild || module != std::wstring(argv[2])) LoadLibraryW(module);
    }
    if (missingModuleChild) return HostGame::runMissingModuleChild(argv[3], argv[4]);
    if (command == L"--demo") return HostGame::runDemo();
    if (argc > 2 && command == L"--startup") return HostGame::runStartupOnly(argv[2]);
    if (argc > 2 && command == L"--timed-startup") return HostGame::runTimedStartup(argv[2]);
    if (argc > 2 && command == L"--exit-child") return HostGame::runExitChild(argv[2]);
    if (argc > 2 && command == L"--exit-recording-child") {
        return HostGame::runExitRecordingChild(argv[2]);
    }
    if (argc > 2 && command == L"--exit-writing-child") {
        return HostGame::runExitWritingChild(argv[2]);
    }
    if (argc > 2 && command == L"--overlay-bench") return HostGame::runOverlayBench(_wtoi(argv[2]));
    if (argc > 3 && command == L"--fatal-child") return HostGame::runFatalChild(argv[2], argv[3]);
    if (argc > 2 && command == L"--scenario") {
        for (const auto& scenario : HostGame::allScenarios()) {
            const std::wstring name(scenario.name, scenario.name + std::strlen(scenario.name));
            if (name != argv[2]) continue;
            std::printf("scenario %s\n", scenario.name);
            // The overlay's toolkit keeps its window settings in the working directory.
            HostGame::enterScenarioWorkingDirectory(scenario.name);
            HostGame::ScenarioChecks checks;
            return HostGame::endProcess(scenario.run(checks));
        }
        std::fprintf(stderr, "unknown scenario\n");
        return 2;
    }
    if (command == L"--list-scenarios") {
        for (const auto& scenario : HostGame::allScenarios()) std::printf("%s\n", scenario.name);
        return HostGame::endProcess(0);
    }
    std::fprintf(stderr, "usage: hostgame.exe --demo | --scenario NAME | --list-scenarios\n");
    return 2;
}
