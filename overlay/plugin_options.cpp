#include "overlay/plugin_options.h"

#include "overlay/hotkey_letters.h"
#include "overlay/output_log.h"
#include "rudiveruv/time_pause_state.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <string>

namespace Zo::KV9RudiVeruv {

namespace {

using json = nlohmann::json;

// The first character, upper case when it is an ASCII letter (the C locale's rule); none when
// it is not ASCII.
char hotkeyLetter(const json& value) {
    const auto text = value.get<std::string>();
    if (text.empty()) throw std::out_of_range("invalid string position");
    const auto letter = static_cast<unsigned char>(hotkeyByte(text.front()));
    return static_cast<char>(std::isalpha(letter) ? std::toupper(letter) : letter);
}

void readHotkey(const json& options, const char* key, char& hotkey) {
    if (!options.contains(key)) return;
    const char letter = hotkeyLetter(options[key]);
    std::lock_guard lock(g_stateMutex);
    hotkey = letter;
}

// A file that cannot be created costs only that copy, so the start goes on after saying so.
void openOutputLogFile(const json& options, void (*log)(const char*)) {
    if (!options.contains("outputLogFile")) return;
    const auto file = options["outputLogFile"].get<std::string>();
    if (!openOutputLogMirror(std::filesystem::path(std::u8string(file.begin(), file.end())))) {
        log(("Cannot create the Output log file " + file).c_str());
    }
}

}  // namespace

void readOverlayOptions(const json& options, void (*log)(const char*)) {
    readHotkey(options, "hotkey", g_hotkeyDisplay);
    readHotkey(options, "hotkey_for_pause", g_hotkeyPause);
    openOutputLogFile(options, log);
}

}  // namespace Zo::KV9RudiVeruv
