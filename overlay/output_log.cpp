#include "overlay/output_log.h"

#include "rudiveruv/time_pause_state.h"

#include <algorithm>
#include <fstream>
#include <mutex>
#include <utility>

namespace Zo::KV9RudiVeruv {

boost::circular_buffer<OutputLogEntry> g_outputLog(kOutputLogCapacity);

namespace {

std::ofstream g_outputLogMirror;  // under g_stateMutex, like the ring

// The caller holds g_stateMutex.
void pushLine(OutputLogEntry entry) {
    if (g_outputLogMirror.is_open()) {
        g_outputLogMirror.write(entry.text.data(), static_cast<std::streamsize>(entry.text.size()));
        g_outputLogMirror << '\n' << std::flush;
    }
    g_outputLog.push_back(std::move(entry));
}

// How many lines the toolkit gives the text: one per line break, and one more for text after
// the last break (an empty text is one line too).
int textLines(const std::string& text) {
    const auto breaks = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    return breaks + (text.empty() || text.back() != '\n' ? 1 : 0);
}

}  // namespace

void appendOutputLog(const char* text, std::size_t length) {
    std::lock_guard lock(g_stateMutex);
    pushLine(OutputLogEntry{std::string(text, length), std::nullopt});
}

void logMessageCallback(std::string text) {
    const ImVec4 yellow(1.0f, 1.0f, 0.0f, 1.0f);
    std::lock_guard lock(g_stateMutex);
    pushLine(OutputLogEntry{std::move(text), yellow});
}

bool openOutputLogMirror(const std::filesystem::path& path) {
    std::lock_guard lock(g_stateMutex);
    g_outputLogMirror.close();
    g_outputLogMirror.clear();
    g_outputLogMirror.open(path);
    return g_outputLogMirror.is_open();
}

void closeOutputLogMirror() {
    std::lock_guard lock(g_stateMutex);
    g_outputLogMirror.close();
}

void drawOutputLog() {
    // Pixels the user may scroll up from the bottom before the pane stops following new lines.
    constexpr float kStickToBottomSlack = 7.0f;
    if (ImGui::BeginChild("Output", ImVec2(0.0f, 0.0f), false, 0)) {
        const float top = ImGui::GetScrollY();
        const bool atBottom = top + kStickToBottomSlack >= ImGui::GetScrollMaxY();
        const float bottom = top + ImGui::GetWindowHeight();
        const float lineHeight = ImGui::GetTextLineHeight();
        const float spacing = ImGui::GetStyle().ItemSpacing.y;
        // Lines outside the pane's view take their place without being laid out: one spacer
        // stands for each run of them. The newest line is always laid out, as the item the
        // pane follows.
        float y = 0.0f;
        float skipped = 0.0f;
        std::size_t left = g_outputLog.size();
        for (const OutputLogEntry& entry : g_outputLog) {
            const float height = static_cast<float>(textLines(entry.text)) * lineHeight;
            const bool newest = --left == 0;
            const bool seen = (y + height >= top && y <= bottom) || newest;
            y += height + spacing;
            if (!seen) {
                skipped += height + spacing;
                continue;
            }
            if (skipped > 0.0f) ImGui::Dummy(ImVec2(0.0f, skipped - spacing));
            skipped = 0.0f;
            // Never as a format: the texts may hold "%".
            if (entry.color) {
                ImGui::TextColored(*entry.color, "%s", entry.text.c_str());
            } else {
                ImGui::TextUnformatted(entry.text.data(), entry.text.data() + entry.text.size());
            }
        }
        if (atBottom) ImGui::SetScrollHereY(0.5f);
    }
    ImGui::EndChild();
}

}  // namespace Zo::KV9RudiVeruv
