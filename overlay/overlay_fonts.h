#pragma once

// The overlay's fonts: a monospace Latin font from the system's fonts folder, with Chinese
// glyphs merged in from whichever of the usual Chinese fonts are there.

#include <imgui.h>

#include <filesystem>

namespace Zo::KV9RudiVeruv {

// Adds the whole file as a font; the atlas owns the bytes from then on. A null configuration
// is the atlas's default. False when the file cannot be read.
bool loadFontFile(ImFontAtlas* atlas, const std::filesystem::path& path,
                  const ImFontConfig* config, float sizePixels, const ImWchar* glyphRanges);

// systemRoot (the "SystemRoot" environment variable, or "C:/Windows" when null) / "Fonts".
std::filesystem::path fontsFolder(const char* systemRoot);

// 1 without Chinese glyphs: the monospace font alone, or, when it is missing, the default font
// the atlas builds without trying any Chinese font. 2 when a Chinese font was merged into it.
int loadOverlayFonts(ImFontAtlas* atlas, const std::filesystem::path& folder);

}  // namespace Zo::KV9RudiVeruv
