#include "overlay/output_log.h"

#include "rudiveruv/time_pause_state.h"

#include <boost/format.hpp>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace Zo::KV9RudiVeruv {

boost::circular_buffer<OutputLogEntry> g_outputLog(kOutputLogCapacity);

namespace {

// Under g_stateMutex, like the ring.
struct OutputLogMirror {
    std::unique_ptr<std::streambuf> sink;  // none while closed
    std::string name;                      // UTF-8, for the log's lines about the mirror
    // Since a write failed: the log's lines that the sink lacks. 0 while writing works.
    std::uint64_t linesMissed = 0;
};
OutputLogMirror g_outputLogMirror;

// How many lines the toolkit gives the text: one per line break, and one more for text after
// the last break (an empty text is one line too).
int textLines(const std::string& text) {
    const auto breaks = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    return breaks + (text.empty() || text.back() != '\n' ? 1 : 0);
}

// The caller holds g_stateMutex.
void pushToRing(OutputLogEntry entry) {
    entry.lines = textLines(entry.text);
    if (!g_outputLog.empty()) {
        const OutputLogEntry& last = g_outputLog.back();
        entry.linesBefore = last.linesBefore + static_cast<std::uint64_t>(last.lines);
    }
    g_outputLog.push_back(std::move(entry));
}

// The text and a newline in one write, then flushed; false when any of it did not go out.
bool writeToMirror(const std::string& text) {
    const std::string line = text + '\n';
    const auto size = static_cast<std::streamsize>(line.size());
    std::streambuf& sink = *g_outputLogMirror.sink;
    return sink.sputn(line.data(), size) == size && sink.pubsync() == 0;
}

// Once the mirror's sink has failed (a full disk), every later line first tries this one,
// which says so; the first that goes through ends the gap.
void tryResumingMirror(OutputLogMirror& mirror) {
    const std::string line = (boost::format("输出日志文件已恢复写入，其间 %1% 行未写入：%2%") %
                              mirror.linesMissed % mirror.name)
                                 .str();
    if (!writeToMirror(line)) return;
    mirror.linesMissed = 0;
    pushToRing(OutputLogEntry{line, std::nullopt});
}

// The caller holds g_stateMutex.
void pushLine(OutputLogEntry entry) {
    OutputLogMirror& mirror = g_outputLogMirror;
    if (mirror.sink && mirror.linesMissed != 0) tryResumingMirror(mirror);
    const bool written = !mirror.sink || (mirror.linesMissed == 0 && writeToMirror(entry.text));
    pushToRing(std::move(entry));
    if (written) return;
    if (mirror.linesMissed++ == 0) {  // the first line missed: said once, and missed too
        ++mirror.linesMissed;
        pushToRing(OutputLogEntry{"写入输出日志文件出错，之后的行等能写入时再写：" + mirror.name,
                                  std::nullopt});
    }
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
    // Unbuffered: each line goes out in one write of its own, and a failed one is not kept
    // back to come out later in the middle of other lines.
    auto file = std::make_unique<std::filebuf>();
    file->pubsetbuf(nullptr, 0);
    const bool opened = file->open(path, std::ios::out) != nullptr;
    const std::u8string name = path.u8string();
    openOutputLogMirror(opened ? std::move(file) : nullptr, std::string(name.begin(), name.end()));
    return opened;
}

void openOutputLogMirror(std::unique_ptr<std::streambuf> sink, std::string name) {
    std::lock_guard lock(g_stateMutex);
    g_outputLogMirror = OutputLogMirror{std::move(sink), std::move(name), 0};
}

void closeOutputLogMirror() {
    std::lock_guard lock(g_stateMutex);
    g_outputLogMirror = OutputLogMirror{};
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
