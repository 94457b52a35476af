#include "hostgame/game/game_fonts.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace HostGame {

void useSystemFonts(SystemFonts fonts) {
    const char* const folder = fonts == SystemFonts::None        ? "none"
                               : fonts == SystemFonts::Monospace ? "mono"
                                                                 : "both";
    const std::string systemRoot = std::string(HOSTGAME_FONTS_DIR) + "/" + folder;
    SetEnvironmentVariableA("SystemRoot", systemRoot.c_str());
    _putenv(("SystemRoot=" + systemRoot).c_str());
}

}  // namespace HostGame
