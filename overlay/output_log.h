#pragma once

// The overlay's Output log: the last 1,000 lines of the tool's own messages and of the game's
// debug messages, drawn at the bottom of the main tool window.

#include "overlay/overlay_state.h"

#include <boost/circular_buffer.hpp>
#include <imgui.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <streambuf>
#include <string>
#include <string_view>

namespace Zo::KV9RudiVeruv {

struct OutputLogEntry {
    std::string text;             // UTF-8, any bytes
    std::optional<ImVec4> color;  // empty: the toolkit's default text colour
    // Kept when the entry is appended, so that the pane places every entry without reading
    // the texts: the lines the toolkit lays the text out in, and the lines of every entry
    // appended to the ring before this one. Its height at the current font is its lines times
    // the font's line height.
    int lines = 1;
    std::uint64_t linesBefore = 0;
};

constexpr std::size_t kOutputLogCapacity = 1000;

// One uncoloured line of exactly these bytes.
void appendOutputLog(const char* text, std::size_t length);
inline void appendOutputLog(std::string_view text) { appendOutputLog(text.data(), text.size()); }

// One yellow line: the game's debug messages, from any game thread.
void logMessageCallback(std::string text);

// While the mirror is open, every appended line is also written to it with a newline and
// flushed. Nothing opens it by default. Opening starts the file afresh and replaces an open
// mirror; false when the file cannot be created. A write that fails (a full disk) is said once
// in the log; every later line tries again, and the first that goes through says how many
// lines the file lacks.
bool openOutputLogMirror(const std::filesystem::path& path);
// The same over any stream buffer, `name` (UTF-8) being what the log calls it.
void openOutputLogMirror(std::unique_ptr<std::streambuf> sink, std::string name);
void closeOutputLogMirror();

// The "Output" pane, oldest line first; it follows new lines unless scrolled up. It lays out
// only the entries in view and the newest, and finds them without going through the others.
// The caller is inside the main tool window and holds g_stateMutex.
void drawOutputLog();

}  // namespace Zo::KV9RudiVeruv
