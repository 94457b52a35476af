#include "overlay/output_log.h"

#include "rudiveruv/time_pause_state.h"

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
        const bool atBottom = ImGui::GetScrollY() + kStickToBottomSlack >= ImGui::GetScrollMaxY();
        for (const OutputLogEntry& entry : g_outputLog) {
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
