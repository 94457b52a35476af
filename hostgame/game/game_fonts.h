#pragma once

// The fonts the game's system offers: the overlay takes them from %SystemRoot%\Fonts. The
// folders hold Debian fonts under the Windows names (scripts/setup fills them).

namespace HostGame {

enum class SystemFonts {
    None,                 // a Fonts folder that does not exist
    Monospace,            // consola.ttf alone
    MonospaceAndChinese,  // consola.ttf and msyh.ttc
};

// Points this process's SystemRoot at a folder with those fonts, for the C runtime (which the
// plug-in reads it through) and for the system alike.
void useSystemFonts(SystemFonts fonts);

}  // namespace HostGame
