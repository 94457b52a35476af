#pragma once

#include <filesystem>

namespace HostGame {

// Detours MessageBoxA so that a box is written to the file as "caption|text" (one line per box)
// and answered at once with IDOK, instead of waiting for a click.
bool recordMessageBoxes(const std::filesystem::path& file);

}  // namespace HostGame
