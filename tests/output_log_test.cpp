#include "overlay/output_log.h"

#include "rudiveruv/time_pause_state.h"
#include "tests/folder_state_guard.h"
#include "tests/headless_context.h"
#include "tests/headless_toolkit.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>
#include <imgui_internal.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <streambuf>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using namespace Zo::KV9RudiVeruv;

namespace {

const ImVec4 kYellow(1.0f, 1.0f, 0.0f, 1.0f);

bool sameColor(const std::optional<ImVec4>& color, const std::optional<ImVec4>& expected) {
    if (color.has_value() != expected.has_value()) return false;
    return !color || (color->x == expected->x && color->y == expected->y &&
                      color->z == expected->z && color->w == expected->w);
}

// Runs each test on an empty ring of its own; the process's ring comes back afterwards.
class OutputLog : public ::testing::Test {
protected:
    void SetUp() override {
        std::lock_guard lock(g_stateMutex);
        g_outputLog.clear();
    }
    void TearDown() override { closeOutputLogMirror(); }

    static void appendText(const std::string& text) { appendOutputLog(text.data(), text.size()); }

    OverlayStateGuard m_overlayState;
};

TEST_F(OutputLog, KeepsTheLastThousandLines) {
    for (int line = 1; line <= 1001; ++line) appendText("line " + std::to_string(line));
    std::lock_guard lock(g_stateMutex);
    ASSERT_EQ(g_outputLog.size(), 1000u);
    EXPECT_EQ(g_outputLog.front().text, "line 2");
    EXPECT_EQ(g_outputLog.back().text, "line 1001");
}

TEST_F(OutputLog, StoresExactlyTheGivenBytes) {
    struct Case {
        const char* what;
        std::function<void()> append;
        std::string text;
        std::optional<ImVec4> color;
    };
    const Case cases[] = {
        {"format signs", [] { appendOutputLog("100% %s %d %%", 13); }, "100% %s %d %%",
         std::nullopt},
        {"the given length, not the terminator", [] { appendOutputLog("pause refused", 5); },
         "pause", std::nullopt},
        {"a NUL inside", [] { appendOutputLog("a\0b", 3); }, std::string("a\0b", 3),
         std::nullopt},
        {"empty", [] { appendOutputLog("", 0); }, "", std::nullopt},
        {"UTF-8, counted in bytes",
         [] { appendOutputLog("\xe4\xbd\xa0\xe6\x97\xa0\xe6\xb3\x95", 9); },
         "\xe4\xbd\xa0\xe6\x97\xa0\xe6\xb3\x95", std::nullopt},
        {"a game message", [] { logMessageCallback("[Game] 50% of %s"); }, "[Game] 50% of %s",
         kYellow},
        {"an empty game message", [] { logMessageCallback(""); }, "", kYellow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.append();
        std::lock_guard lock(g_stateMutex);
        EXPECT_EQ(g_outputLog.back().text, c.text);
        EXPECT_TRUE(sameColor(g_outputLog.back().color, c.color));
    }
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream file(path);  // text mode, as the mirror is written
    return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST_F(OutputLog, TheMirrorGetsEachLineWhileItIsOpen) {
    const std::filesystem::path folder = testFolderPath("vellox-output-log");
    std::filesystem::create_directories(folder);
    const std::filesystem::path path = folder / "output_log.txt";
    appendText("before the mirror");
    ASSERT_TRUE(openOutputLogMirror(path));
    appendText("first");
    appendText("");
    logMessageCallback("[AI] 100% %s");
    EXPECT_EQ(readFile(path), "first\n\n[AI] 100% %s\n");  // flushed line by line

    closeOutputLogMirror();
    appendText("after the mirror");
    EXPECT_EQ(readFile(path), "first\n\n[AI] 100% %s\n");
    std::lock_guard lock(g_stateMutex);
    EXPECT_EQ(g_outputLog.size(), 5u);
    std::filesystem::remove_all(folder);
}

TEST_F(OutputLog, AMirrorThatCannotBeCreatedIsRefused) {
    const std::filesystem::path path =
        testFolderPath("vellox-output-log") / "no such folder" / "output_log.txt";
    EXPECT_FALSE(openOutputLogMirror(path));
    appendText("still logged");
    std::lock_guard lock(g_stateMutex);
    EXPECT_EQ(g_outputLog.back().text, "still logged");
}

// A sink that takes nothing while it is full, as a file on a full disk does, and keeps what it
// took where the test can read it.
class FillableSink : public std::streambuf {
public:
    struct State {
        bool full = false;
        std::string written;
    };
    explicit FillableSink(State& state) : m_state(state) {}

protected:
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        if (m_state.full) return 0;
        m_state.written.append(text, static_cast<std::size_t>(count));
        return count;
    }
    int_type overflow(int_type c) override {
        if (m_state.full || traits_type::eq_int_type(c, traits_type::eof())) {
            return traits_type::eof();
        }
        m_state.written.push_back(traits_type::to_char_type(c));
        return c;
    }

private:
    State& m_state;
};

std::vector<std::string> ringTexts() {
    std::lock_guard lock(g_stateMutex);
    std::vector<std::string> texts;
    for (const OutputLogEntry& entry : g_outputLog) texts.push_back(entry.text);
    return texts;
}

TEST_F(OutputLog, TheMirrorSaysOnceThatItCannotWriteAndWritesAgainOnceItCan) {
    const std::string failed = "写入输出日志文件出错，之后的行等能写入时再写：game.log";
    const auto resumed = [](int missed) {
        return "输出日志文件已恢复写入，其间 " + std::to_string(missed) + " 行未写入：game.log";
    };
    FillableSink::State sink;
    openOutputLogMirror(std::make_unique<FillableSink>(sink), "game.log");
    struct Step {
        bool full;
        std::vector<std::string> lines;  // appended, the second of them as a game message
        std::vector<std::string> ring;   // what the Output log gains
        std::string file;                // what the file gains
    };
    const Step steps[] = {
        {false, {"one"}, {"one"}, "one\n"},
        {true, {"two", "three", "four"}, {"two", failed, "three", "four"}, ""},
        {false, {"five", "six"}, {resumed(4), "five", "six"}, resumed(4) + "\nfive\nsix\n"},
        {true, {"seven"}, {"seven", failed}, ""},
        {false, {"eight"}, {resumed(2), "eight"}, resumed(2) + "\neight\n"},
    };
    std::vector<std::string> ring;
    std::string file;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.lines.front());
        sink.full = step.full;
        for (std::size_t line = 0; line < step.lines.size(); ++line) {
            if (line == 1) {
                logMessageCallback(step.lines[line]);
            } else {
                appendText(step.lines[line]);
            }
        }
        ring.insert(ring.end(), step.ring.begin(), step.ring.end());
        file += step.file;
        EXPECT_EQ(ringTexts(), ring);
        EXPECT_EQ(sink.written, file);
    }
}

#ifdef __linux__
TEST_F(OutputLog, AMirrorFileOnAFullDiskIsReportedOnce) {
    // Every write to this device fails with "no space left on device".
    ASSERT_TRUE(openOutputLogMirror("/dev/full"));
    appendText("one");
    appendText("two");
    EXPECT_EQ(ringTexts(), (std::vector<std::string>{
                               "one", "写入输出日志文件出错，之后的行等能写入时再写：/dev/full",
                               "two"}));
}
#endif

constexpr float kWindowHeight = 300.0f;

// Draws the pane inside the frame's window; returns the pane's window.
ImGuiWindow* drawPaneHere() {
    {
        std::lock_guard lock(g_stateMutex);
        drawOutputLog();
    }
    return ImGui::GetCurrentWindow()->DC.ChildWindows.back();
}

std::size_t visibleGlyphs(const std::string& text) {
    std::size_t count = 0;
    for (const char c : text) count += (c != ' ' && c != '\n') ? 1 : 0;
    return count;
}

std::size_t verticesOfColor(const ImDrawList& list, ImU32 color) {
    std::size_t count = 0;
    for (const ImDrawVert& vertex : list.VtxBuffer) count += vertex.col == color ? 1 : 0;
    return count;
}

TEST_F(OutputLog, PaneShowsEachLineLiterallyInItsColour) {
    appendText("plain 100%d");
    logMessageCallback("50% %s");
    appendText("");
    appendText("two\nlines");

    HeadlessToolkit toolkit(ImVec2(400.0f, kWindowHeight));
    const ImGuiWindow* pane = nullptr;
    // The text the pane rendered, as the toolkit's log capture sees it.
    const std::string shown = toolkit.frameText([&] { pane = drawPaneHere(); });

    // The capture skips the empty line and ends lines as the platform does.
    EXPECT_EQ(shown, "plain 100%d" IM_NEWLINE "50% %s" IM_NEWLINE "two" IM_NEWLINE "lines");
    // Four items; the empty line and the two-line entry take their full height.
    const ImGuiStyle& style = ImGui::GetStyle();
    EXPECT_EQ(pane->DC.CursorMaxPos.y - pane->DC.CursorStartPos.y,
              5 * ImGui::GetTextLineHeight() + 3 * style.ItemSpacing.y);
    EXPECT_EQ(verticesOfColor(*pane->DrawList, ImGui::ColorConvertFloat4ToU32(kYellow)),
              4 * visibleGlyphs("50% %s"));
    EXPECT_EQ(verticesOfColor(*pane->DrawList, ImGui::GetColorU32(ImGuiCol_Text)),
              4 * visibleGlyphs("plain 100%dtwo\nlines"));
}

TEST_F(OutputLog, PaneFollowsNewLinesUnlessScrolledUpMoreThanSevenPixels) {
    struct Case {
        float scrolledUp;
        bool follows;
    };
    const Case cases[] = {{0.0f, true}, {7.0f, true}, {8.0f, false}, {100.0f, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scrolledUp);
        {
            std::lock_guard lock(g_stateMutex);
            g_outputLog.clear();
        }
        for (int line = 1; line <= 100; ++line) appendText("line " + std::to_string(line));
        HeadlessToolkit toolkit(ImVec2(400.0f, kWindowHeight));
        const ImGuiWindow* pane = nullptr;
        for (int settle = 0; settle < 3; ++settle) toolkit.frame([&] { pane = drawPaneHere(); });
        ASSERT_GT(pane->ScrollMax.y, kWindowHeight);
        ASSERT_EQ(pane->Scroll.y, pane->ScrollMax.y);  // a new pane starts at the bottom

        const float before = pane->ScrollMax.y - c.scrolledUp;
        toolkit.frame([before] {
            ImGui::SetNextWindowScroll(ImVec2(-1.0f, before));
            drawPaneHere();
        });
        for (int line = 101; line <= 110; ++line) appendText("line " + std::to_string(line));
        for (int settle = 0; settle < 3; ++settle) toolkit.frame(drawPaneHere);

        EXPECT_GT(pane->ScrollMax.y, before + c.scrolledUp);
        EXPECT_EQ(pane->Scroll.y, c.follows ? pane->ScrollMax.y : before);
    }
}

}  // namespace

namespace {

// Every entry laid out, as the pane would without leaving out those outside its view.
void drawEveryLine() {
    if (ImGui::BeginChild("Output", ImVec2(0.0f, 0.0f), false, 0)) {
        for (const OutputLogEntry& entry : g_outputLog) {
            if (entry.color) {
                ImGui::TextColored(*entry.color, "%s", entry.text.c_str());
            } else {
                ImGui::TextUnformatted(entry.text.data(), entry.text.data() + entry.text.size());
            }
        }
    }
    ImGui::EndChild();
}

struct PaneView {
    float contentHeight;
    float scrollMax;
    // What the pane draws: position and colour of every vertex. (The toolkit's log capture
    // would not do here: while it runs, the toolkit lays out clipped items as if seen.)
    std::vector<std::tuple<float, float, ImU32>> vertices;
};

// The pane, or the reference, in a fixed window, scrolled to `scroll` (settled over frames).
PaneView viewOf(void (*draw)(), float scroll) {
    ImGuiContext* const context = createHeadlessContext(ImVec2(800.0f, 600.0f));
    PaneView view{};
    for (int frame = 0; frame < 4; ++frame) {
        ImGui::NewFrame();
        ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
        ImGui::SetNextWindowSize(ImVec2(400.0f, 300.0f));
        ImGui::Begin("Main", nullptr, ImGuiWindowFlags_NoDecoration);
        ImGui::SetNextWindowScroll(ImVec2(-1.0f, scroll));
        {
            std::lock_guard lock(g_stateMutex);
            draw();
        }
        const ImGuiWindow* pane = ImGui::GetCurrentWindow()->DC.ChildWindows.back();
        view = {pane->DC.CursorMaxPos.y - pane->DC.CursorStartPos.y, pane->ScrollMax.y, {}};
        for (const ImDrawVert& vertex : pane->DrawList->VtxBuffer) {
            view.vertices.emplace_back(vertex.pos.x, vertex.pos.y, vertex.col);
        }
        ImGui::End();
        ImGui::Render();
    }
    ImGui::DestroyContext(context);
    return view;
}

}  // namespace

TEST_F(OutputLog, PaneLeavingOutUnseenLinesLooksLikeOneThatLaysOutEveryLine) {
    for (int line = 1; line <= 1000; ++line) {
        const std::string text = line % 7 == 0    ? "two\nlines " + std::to_string(line)
                                 : line % 11 == 0 ? ""
                                 : line % 13 == 0 ? "ends in a break " + std::to_string(line) + "\n"
                                                  : "line " + std::to_string(line);
        if (line % 3 == 0) {
            logMessageCallback(text);
        } else {
            appendText(text);
        }
    }
    for (const float scroll : {0.0f, 4321.0f, 1.0e6f}) {
        SCOPED_TRACE(scroll);
        const PaneView reference = viewOf(drawEveryLine, scroll);
        const PaneView pane = viewOf(drawOutputLog, scroll);
        EXPECT_EQ(pane.contentHeight, reference.contentHeight);
        EXPECT_EQ(pane.scrollMax, reference.scrollMax);
        EXPECT_GT(pane.vertices.size(), 300u);  // the glyphs of the lines in view
        EXPECT_TRUE(pane.vertices == reference.vertices);
    }
}

TEST_F(OutputLog, PanePlacesEntriesByTheLinesKeptWhenTheyWereAppended) {
    // More than the ring holds, so that its first entry is not the first ever appended.
    for (int line = 1; line <= 1234; ++line) {
        appendText(line % 5 == 0 ? "three\nline\nentry " + std::to_string(line)
                                 : "line " + std::to_string(line));
    }
    const PaneView reference = viewOf(drawEveryLine, 0.0f);
    const PaneView top = viewOf(drawOutputLog, 0.0f);
    EXPECT_EQ(top.contentHeight, reference.contentHeight);
    EXPECT_TRUE(top.vertices == reference.vertices);

    // A frame reads no text of an entry out of view: texts changed behind the ring's back,
    // far below the view and above the newest, leave the pane as it was.
    {
        std::lock_guard lock(g_stateMutex);
        for (std::size_t entry = 100; entry + 1 < g_outputLog.size(); ++entry) {
            g_outputLog[entry].text = "many\n\n\n\nlines";
        }
    }
    const PaneView after = viewOf(drawOutputLog, 0.0f);
    EXPECT_EQ(after.contentHeight, top.contentHeight);
    EXPECT_TRUE(after.vertices == top.vertices);
}
