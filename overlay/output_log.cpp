#include "overlay/output_log.h"

#include "rudiveruv/time_pause_state.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <mutex>
#include <utility>

namespace Zo::KV9RudiVeruv {

boost::circular_buffer<OutputLogEntry> g_outputLog(kOutputLogCapacity);

namespace {

std::ofstream g_outputLogMirror;  // under g_stateMutex, like the ring

// How many lines the toolkit gives the text: one per line break, and one more for text after
// the last break (an empty text is one line too).
int textLines(const std::string& text) {
    const auto breaks = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    return breaks + (text.empty() || text.back() != '\n' ? 1 : 0);
}

// The caller holds g_stateMutex.
void pushLine(OutputLogEntry entry) {
    if (g_outputLogMirror.is_open()) {
        g_outputLogMirror.write(entry.text.data(), static_cast<std::streamsize>(entry.text.size()));
        g_outputLogMirror << '\n' << std::flush;
    }
    entry.lines = textLines(entry.text);
    if (!g_outputLog.empty()) {
        const OutputLogEntry& last = g_outputLog.back();
        entry.linesBefore = last.linesBefore + static_cast<std::uint64_t>(last.lines);
    }
    g_outputLog.push_back(std::move(entry));
}

// Where the entries of the ring lie in the pane, from the line counts kept with them: each
// entry's lines at the current font's line height, then the item spacing.
class PanePlaces {
public:
    PanePlaces()
        : m_lineHeight(ImGui::GetTextLineHeight()),
          m_spacing(ImGui::GetStyle().ItemSpacing.y),
          m_firstLine(g_outputLog.front().linesBefore) {}

    float top(std::size_t index) const {
        return lineY(g_outputLog[index].linesBefore) + static_cast<float>(index) * m_spacing;
    }
    float bottom(std::size_t index) const {
        const OutputLogEntry& entry = g_outputLog[index];
        return lineY(entry.linesBefore + static_cast<std::uint64_t>(entry.lines)) +
               static_cast<float>(index) * m_spacing;
    }
    float spacing() const { return m_spacing; }

private:
    float lineY(std::uint64_t line) const {
        return static_cast<float>(line - m_firstLine) * m_lineHeight;
    }

    float m_lineHeight;
    float m_spacing;
    std::uint64_t m_firstLine;
};

void drawEntry(const OutputLogEntry& entry) {
    // Never as a format: the texts may hold "%".
    if (entry.color) {
        ImGui::TextColored(*entry.color, "%s", entry.text.c_str());
    } else {
        ImGui::TextUnformatted(entry.text.data(), entry.text.data() + entry.text.size());
    }
}

// Lays out the entries that reach into the pane's view from `top` to `bottom`, and the newest
// as the item the pane follows. The entries outside take their place without being laid out:
// one spacer stands for each run of them. The caller holds g_stateMutex; the ring is not empty.
void drawEntriesInView(float top, float bottom) {
    const PanePlaces places;
    const std::size_t newest = g_outputLog.size() - 1;
    float next = 0.0f;  // where the next item starts
    const auto drawAt = [&](std::size_t index) {
        const float y = places.top(index);
        if (y > next) ImGui::Dummy(ImVec2(0.0f, y - next - places.spacing()));
        drawEntry(g_outputLog[index]);
        next = places.bottom(index) + places.spacing();
    };
    // The entries' ends only grow down the ring: the first one in view is found by halving.
    std::size_t index = 0;
    for (std::size_t end = newest; index < end;) {
        const std::size_t middle = index + (end - index) / 2;
        if (places.bottom(middle) < top) {
            index = middle + 1;
        } else {
            end = middle;
        }
    }
    for (; index < newest && places.top(index) <= bottom; ++index) drawAt(index);
    drawAt(newest);
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
        if (!g_outputLog.empty()) drawEntriesInView(top, top + ImGui::GetWindowHeight());
        if (atBottom) ImGui::SetScrollHereY(0.5f);
    }
    ImGui::EndChild();
}

}  // namespace Zo::KV9RudiVeruv
