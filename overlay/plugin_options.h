#pragma once

// The overlay's part of the time-pause plug-in's options ("customData" of its plug-in entry):
// "hotkey" and "hotkey_for_pause", each a text whose first letter is the Ctrl hotkey that shows
// the overlay or toggles time pause, and "outputLogFile", a file that receives every Output log
// line as well.

#include <nlohmann/json_fwd.hpp>

namespace Zo::KV9RudiVeruv {

// On the host loader's thread, during the plug-in's start. Throws on a hotkey that is not a
// non-empty text, or a file name that is not a text; a file that cannot be created is only
// reported through log.
void readOverlayOptions(const nlohmann::json& options, void (*log)(const char* text));

}  // namespace Zo::KV9RudiVeruv
