#define IMGUI_DEFINE_MATH_OPERATORS  // ImVec2 arithmetic

#include "overlay/camera_control_window.h"

#include "overlay/camera_config.h"
#include "overlay/camera_profile.h"
#include "overlay/keyframe_editor.h"
#include "rudiveruv/time_pause_state.h"
#include "tests/folder_state_guard.h"
#include "tests/headless_toolkit.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using namespace Zo::KV9RudiVeruv;

namespace {

constexpr float kNoKeyframeInEdit = -1.0f;
const ImU32 kYellow = IM_COL32(255, 255, 0, 255);

// The game camera as the window sees it: what a read gives and every write.
struct FakeCamera {
    std::optional<CameraCoordinate> value = CameraCoordinate{10.0f, 20.0f, 30.0f, 0.5f, 45.0f, 0.25f};
    std::vector<CameraCoordinate> writes;

    GameCameraAccess access() {
        return {[this] { return value; },
                [this](const CameraCoordinate& values) { writes.push_back(values); }};
    }
};

std::string textOf(const std::string& field) { return field.c_str(); }

CameraPoint keyframe(const char* label, float x = 0.0f) {
    CameraPoint point;
    point.x = x;
    point.r2 = 45.0f;
    point.label = label;
    return point;
}

std::string rowLabel(int key) { return "row" + std::to_string(key) + "x"; }

std::vector<float> keyTimes(const CameraProfile& profile) {
    std::vector<float> times;
    for (const auto& [time, point] : profile.animations) times.push_back(time);
    return times;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// The colour of the glyphs drawn inside `rect`.
ImU32 textColourIn(ImGuiWindow* window, const ImRect& rect) {
    const ImVec2 whitePixel = GImGui->DrawListSharedData.TexUvWhitePixel;
    for (const ImDrawVert& vertex : window->DrawList->VtxBuffer) {
        const bool glyph = vertex.uv.x != whitePixel.x || vertex.uv.y != whitePixel.y;
        if (glyph && rect.Contains(vertex.pos)) return vertex.col;
    }
    ADD_FAILURE() << "no glyph there";
    return 0;
}

class CameraControlWindow : public ::testing::Test {
protected:
    void SetUp() override {
        g_cameraProfiles.clear();
        g_currentProfile = CameraProfile{};
        g_currentProfileIndex = 0;
        // The window is taller than the toolkit's display: let nothing of it be clipped away.
        ImGui::GetIO().DisplaySize = ImVec2(800.0f, 2000.0f);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }
    std::function<void()> draw() {
        return [this] {
            OverlayFrameEdges game{m_camera.access(), {}, m_readConstants};
            game.modulePath = [this] { return m_folder / "Vellox.dll"; };
            drawCameraControlWindowContents(game);
            const ImGuiWindow* window = ImGui::GetCurrentWindow();
            m_contentHeight = window->DC.CursorMaxPos.y - window->DC.CursorStartPos.y;
        };
    }
    // The window scrolled to `scroll` from the next frame on.
    std::function<void()> drawScrolledTo(float scroll) {
        return [this, scroll] {
            ImGui::SetScrollY(scroll);
            draw()();
        };
    }
    std::string shown() {
        std::string text = m_toolkit.frameText(draw());
        std::erase(text, '\r');
        return text;
    }
    void click(const char* text, int occurrence = 0) { m_toolkit.clickText(text, draw(), occurrence); }

    // Clicks into the field left of the `occurrence`-th `label`, types `text`, leaves the field.
    void typeInto(const char* label, const std::string& text, int occurrence = 0) {
        m_toolkit.frame(draw());
        const ImRect at = m_toolkit.textRect(label, occurrence);
        m_toolkit.clickAt(ImVec2(at.Min.x - 30.0f, at.Min.y + 4.0f), draw());
        m_toolkit.type(text, draw());
        m_toolkit.clickAt(ImVec2(790.0f, 1990.0f), draw());
    }

    // A click near one end of the profile switch, whose label stands right of it.
    void clickProfileSwitchEnd(bool highest) {
        m_toolkit.frame(draw());
        const ImRect label = m_toolkit.textRect("切换配置 #");
        m_toolkit.clickAt(ImVec2(highest ? label.Min.x - 10.0f : 15.0f, label.GetCenter().y), draw());
    }

    std::lock_guard<std::recursive_mutex> m_lock{g_stateMutex};
    HeadlessToolkit m_toolkit{ImVec2(800.0f, 2000.0f),
                              {"切换配置新克隆保存说明当前摄像机坐标实际动画暂停开始时间按住再点击可以直接输入数值",
                               "列表标签此后使用贝塞尔曲线确认覆盖修改删除添加（可选）复制最后一个替换现有的拖动旋转俯仰滚转°"}};
    FakeCamera m_camera;
    PixelShaderConstantRead m_readConstants;
    // Where the configuration file goes: beside a plug-in of this test's own.
    const std::filesystem::path m_folder = testFolderPath("vellox-camera-window");
    float m_contentHeight = 0.0f;  // of the window, in the last frame
    OverlayStateGuard m_overlayState;
};

TEST_F(CameraControlWindow, WithOneProfileTheSwitchStaysAtZeroAndACloneIsSelected) {
    g_currentProfile.description = "A";
    g_currentProfile.animations = {{1.0f, keyframe("K")}};
    m_toolkit.frame(draw());
    ASSERT_EQ(g_cameraProfiles.size(), 1u) << "an empty list takes the working copy";
    clickProfileSwitchEnd(true);
    EXPECT_EQ(g_currentProfileIndex, 0);

    click("克隆配置");
    ASSERT_EQ(g_cameraProfiles.size(), 2u);
    EXPECT_EQ(g_currentProfileIndex, 1);
    for (const CameraProfile& profile : {g_cameraProfiles[0], g_cameraProfiles[1], g_currentProfile}) {
        EXPECT_EQ(profile.description, g_currentProfile.description);
        EXPECT_EQ(textOf(profile.description), "A");
        EXPECT_EQ(keyTimes(profile), (std::vector<float>{1.0f}));
    }
}

TEST_F(CameraControlWindow, SwitchingProfilesKeepsEachOnesAnimationPlaying) {
    CameraProfile playing;
    playing.animations = {{2.0f, keyframe("P")}};
    playing.animationPlaying = true;
    g_cameraProfiles = {CameraProfile{}, CameraProfile{}};
    g_currentProfile = playing;
    g_currentProfileIndex = 0;

    clickProfileSwitchEnd(true);
    EXPECT_EQ(g_currentProfileIndex, 1);
    EXPECT_TRUE(g_cameraProfiles[0].animationPlaying) << "stored with the list entry";
    EXPECT_FALSE(g_currentProfile.animationPlaying);

    clickProfileSwitchEnd(false);
    EXPECT_EQ(g_currentProfileIndex, 0);
    EXPECT_TRUE(g_currentProfile.animationPlaying);
}

TEST_F(CameraControlWindow, ANewProfileIsAppendedAndSelected) {
    g_cameraProfiles = {CameraProfile{}};
    g_currentProfile.description = "changed";
    g_currentProfile.animations = {{1.0f, keyframe("K")}};
    click("新配置");
    ASSERT_EQ(g_cameraProfiles.size(), 2u);
    EXPECT_EQ(g_currentProfileIndex, 1);
    EXPECT_EQ(textOf(g_cameraProfiles[0].description), "changed");
    EXPECT_EQ(textOf(g_currentProfile.description), "");
    EXPECT_TRUE(g_currentProfile.animations.empty());
}

TEST_F(CameraControlWindow, SaveWritesTheConfigurationFile) {
    g_cameraProfiles = {CameraProfile{}};
    g_currentProfile.description = "saved";
    std::filesystem::create_directories(m_folder);
    click("保存配置");
    EXPECT_NE(g_configStatusText.find("已保存配置文件："), std::string::npos) << g_configStatusText;
    EXPECT_EQ(textOf(g_cameraProfiles[0].description), "saved");
    EXPECT_TRUE(std::filesystem::exists(m_folder / "Vellox.dll.camera_config.txt"));
}

TEST_F(CameraControlWindow, TheDescriptionTakesAtMost71BytesOnceFilledTo72) {
    m_toolkit.frame(draw());
    const ImRect label = m_toolkit.textRect("说明");
    m_toolkit.clickAt(ImVec2(label.Min.x - 30.0f, label.Min.y + 4.0f), draw());
    m_toolkit.type(std::string(80, 'a'), draw());
    EXPECT_EQ(g_currentProfile.description.size(), 72u);
    EXPECT_EQ(textOf(g_currentProfile.description), std::string(71, 'a'));
}

TEST_F(CameraControlWindow, ALoadedDescriptionOf72BytesGetsNoFill) {
    g_currentProfile.description = std::string(72, 'b');
    m_toolkit.frame(draw());
    EXPECT_EQ(g_currentProfile.description, std::string(72, 'b'));
}

std::string repeated(const std::string& text, int times) {
    std::string all;
    for (int i = 0; i < times; ++i) all += text;
    return all;
}

// Text that ends in part of a character, as the toolkit can leave a full field, is cut back to
// its last whole character in the frame that edited it; the buffer keeps its size.
TEST_F(CameraControlWindow, TextEndingInPartOfACharacterIsCutBackToWholeCharacters) {
    const std::string character = "镜";
    const std::string whole = repeated(character, 10);
    const std::string cut = whole + character.substr(0, 2);
    g_currentProfile.description = cut + std::string(40, '\0');
    g_currentProfile.animations = {{1.0f, keyframe(cut.c_str())}};
    g_currentProfile.newKeyPoint.label = cut;
    m_toolkit.frame(draw());
    for (const std::string* text :
         {&g_currentProfile.description, &g_currentProfile.animations.at(1.0f).label,
          &g_currentProfile.newKeyPoint.label}) {
        EXPECT_EQ(textOf(*text), whole);
    }
    EXPECT_EQ(g_currentProfile.description.size(), 72u);
    EXPECT_EQ(g_currentProfile.newKeyPoint.label.size(), 32u);
}

#ifdef _WIN32
// How a user gets there: a loaded label of 11 Chinese characters (33 bytes) or description of
// 24 (72 bytes) leaves no room for the terminating NUL, and Escape after a Backspace gives back
// only the field's size less one byte of the original. (The toolkit the plug-in links is built
// without its assertions, as the plug-in is; the native tier's build of it stops at one on
// this path.)
TEST_F(CameraControlWindow, AFullTextFieldKeepsWholeCharactersAfterBackspaceAndEscape) {
    const std::string character = "镜";
    struct Case {
        const char* field;
        bool description;  // else the keyframe's label
        int characters;
        int charactersLeft;
    };
    const Case cases[] = {{"标签", false, 11, 10}, {"说明", true, 24, 23}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        g_currentProfile = CameraProfile{};
        g_currentProfile.animations = {{1.0f, keyframe("")}};
        std::string& text = c.description ? g_currentProfile.description
                                          : g_currentProfile.animations.at(1.0f).label;
        text = repeated(character, c.characters);
        m_toolkit.frame(draw());
        const ImRect label = m_toolkit.textRect(c.field);
        m_toolkit.clickAt(ImVec2(label.Min.x - 30.0f, label.Min.y + 4.0f), draw());
        m_toolkit.press(ImGuiKey_Backspace, draw());
        EXPECT_EQ(textOf(text), repeated(character, c.characters - 1));
        m_toolkit.press(ImGuiKey_Escape, draw());
        EXPECT_EQ(textOf(text), repeated(character, c.charactersLeft));
        EXPECT_EQ(text.size(), c.characters * character.size()) << "the buffer keeps its size";
    }
}
#endif

TEST_F(CameraControlWindow, TheDescriptionBoxGrowsWithItsLines) {
    const auto rowBelow = [&](const char* description) {
        g_currentProfile.description = description;
        m_toolkit.frame(draw());
        return m_toolkit.textRect("当前摄像机坐标").Min.y;
    };
    const float oneLine = rowBelow("a");
    EXPECT_FLOAT_EQ(rowBelow("a\nb\nc") - oneLine, 2.0f * ImGui::GetTextLineHeight());
}

TEST_F(CameraControlWindow, TheCameraIsWrittenOnlyWhenItsCoordinateWasEdited) {
    for (int frame = 0; frame < 3; ++frame) m_toolkit.frame(draw());
    EXPECT_TRUE(m_camera.writes.empty());

    m_toolkit.clickText("28.6°", draw());  // the middle of the current rotation's slider: 0°
    ASSERT_EQ(m_camera.writes.size(), 1u);
    const CameraCoordinate& written = m_camera.writes[0];
    EXPECT_NEAR(written.r1, 0.0f, 0.1f);
    EXPECT_NE(written.r1, 0.5f);
    EXPECT_EQ(written.x, 10.0f);
    EXPECT_EQ(written.y, 20.0f);
    EXPECT_EQ(written.z, 30.0f);
    EXPECT_EQ(written.r2, 45.0f);
    EXPECT_EQ(written.r3, 0.25f);
}

TEST_F(CameraControlWindow, ANotANumberCountsAsAnEdit) {
    m_camera.value->y = std::numeric_limits<float>::quiet_NaN();
    m_toolkit.frame(draw());
    m_toolkit.frame(draw());
    ASSERT_EQ(m_camera.writes.size(), 2u);
    EXPECT_EQ(m_camera.writes[1].x, 10.0f);
}

TEST_F(CameraControlWindow, WithoutAGameCameraTheCameraRowsAreLeftOut) {
    m_camera.value.reset();
    const std::string text = shown();
    EXPECT_EQ(text.find("当前摄像机坐标"), std::string::npos);
    EXPECT_EQ(text.find("复制当前坐标"), std::string::npos);
    EXPECT_NE(text.find("添加新动画坐标"), std::string::npos);
    EXPECT_TRUE(m_camera.writes.empty());
}

TEST_F(CameraControlWindow, TheActualPositionComesFromPixelShaderRegister123) {
    struct Case {
        const char* what;
        PixelShaderConstantRead read;
        const char* line;
    };
    std::vector<std::pair<unsigned int, unsigned int>> calls;
    const Case cases[] = {
        {"a read",
         [&](unsigned int start, float* constants, unsigned int count) {
             calls.emplace_back(start, count);
             const float values[4] = {1.5f, -2.0f, 3.25f, 9.0f};
             std::copy(values, values + 4, constants);
         },
         "实际摄像机坐标 1.500 -2.000 3.250"},
        {"a failed read", [](unsigned int, float*, unsigned int) {}, "实际摄像机坐标 0.000 0.000 0.000"},
        {"no device", {}, "实际摄像机坐标 0.000 0.000 0.000"},
    };
    for (const Case& c : cases) {
        m_readConstants = c.read;
        EXPECT_NE(shown().find(c.line), std::string::npos) << c.what;
    }
    EXPECT_EQ(calls, (std::vector<std::pair<unsigned int, unsigned int>>{{123u, 1u}}));
}

TEST_F(CameraControlWindow, NoKeyframesShowNoAnimationControlsAndStopTheAnimation) {
    g_currentProfile.animationPlaying = true;
    const std::string text = shown();
    EXPECT_FALSE(g_currentProfile.animationPlaying);
    for (const char* hidden : {"开始动画", "暂停动画", "当前动画时间", "摄像机动画坐标列表",
                               "复制最后一个动画坐标", "复制当前动画时间"}) {
        EXPECT_EQ(text.find(hidden), std::string::npos) << hidden;
    }
}

TEST_F(CameraControlWindow, TheAnimationButtonTogglesPlayingAndTheSliderSetsATime) {
    g_currentProfile.animations = {{0.0f, keyframe("A")}, {4.0f, keyframe("B")}};
    click("开始动画");
    EXPECT_TRUE(g_currentProfile.animationPlaying);
    click("暂停动画");
    EXPECT_FALSE(g_currentProfile.animationPlaying);

    EXPECT_FALSE(g_currentProfile.timeValid);
    m_toolkit.frame(draw());
    const ImRect label = m_toolkit.textRect("当前动画时间");
    m_toolkit.clickAt(ImVec2(label.Min.x - 20.0f, label.GetCenter().y), draw());
    EXPECT_TRUE(g_currentProfile.timeValid);
    EXPECT_GT(g_currentProfile.animationTime, 3.5f);
    EXPECT_LE(g_currentProfile.animationTime, 4.0f);
}

TEST_F(CameraControlWindow, EveryKeyframeButTheLastHasABezierSwitch) {
    struct Case {
        std::map<float, CameraPoint> animations;
        std::size_t switches;  // the add block's included
    };
    const Case cases[] = {{{{1.0f, keyframe("A")}}, 1},
                          {{{1.0f, keyframe("A")}, {2.0f, keyframe("B")}, {3.0f, keyframe("C")}}, 3}};
    for (const Case& c : cases) {
        g_currentProfile.animations = c.animations;
        EXPECT_EQ(occurrences(shown(), "此坐标后使用贝塞尔曲线"), c.switches);
    }
    EXPECT_EQ(g_currentProfile.animations.begin()->second.label.size(), 32u) << "labels get room";
}

TEST_F(CameraControlWindow, ConfirmingAnUnchangedTimeChangesNothing) {
    g_currentProfile.animations = {{0.5f, keyframe("A")}, {1.0f, keyframe("B")}};
    click("修改", 1);
    EXPECT_EQ(g_currentProfile.editKeyTime, 1.0f);
    EXPECT_EQ(g_currentProfile.editTimeInput, 1.0f);
    click("确认");
    EXPECT_EQ(g_currentProfile.editKeyTime, kNoKeyframeInEdit);
    EXPECT_EQ(keyTimes(g_currentProfile), (std::vector<float>{0.5f, 1.0f}));
}

TEST_F(CameraControlWindow, ATimeOfAnotherKeyframeOverridesItInYellow) {
    g_currentProfile.animations = {{0.5f, keyframe("A")}, {1.0f, keyframe("B", 7.0f)}};
    click("修改", 1);
    g_currentProfile.editTimeInput = 0.5f;
    ImGuiWindow* window = m_toolkit.frame(draw());
    EXPECT_EQ(textColourIn(window, m_toolkit.textRect("覆盖")), kYellow);
    EXPECT_EQ(shown().find("确认"), std::string::npos);

    click("覆盖");
    EXPECT_EQ(g_currentProfile.editKeyTime, kNoKeyframeInEdit);
    ASSERT_EQ(keyTimes(g_currentProfile), (std::vector<float>{0.5f}));
    EXPECT_EQ(textOf(g_currentProfile.animations.at(0.5f).label), "B");
    EXPECT_EQ(g_currentProfile.animations.at(0.5f).x, 7.0f);
}

TEST_F(CameraControlWindow, ATimeOfNoKeyframeMovesTheEditedOne) {
    g_currentProfile.animations = {{0.5f, keyframe("A")}, {1.0f, keyframe("B")}};
    click("修改", 0);
    g_currentProfile.editTimeInput = 2.5f;
    click("确认");
    EXPECT_EQ(keyTimes(g_currentProfile), (std::vector<float>{1.0f, 2.5f}));
    EXPECT_EQ(textOf(g_currentProfile.animations.at(2.5f).label), "A");
}

TEST_F(CameraControlWindow, EditingAnotherKeyframeDropsTheUnconfirmedInput) {
    g_currentProfile.animations = {{0.5f, keyframe("A")}, {1.0f, keyframe("B")}};
    click("修改", 1);
    g_currentProfile.editTimeInput = 3.0f;
    click("修改", 0);  // the only one left: the keyframe at 1.0 is in edit
    EXPECT_EQ(g_currentProfile.editKeyTime, 0.5f);
    EXPECT_EQ(g_currentProfile.editTimeInput, 0.5f);
    EXPECT_EQ(keyTimes(g_currentProfile), (std::vector<float>{0.5f, 1.0f}));
}

TEST_F(CameraControlWindow, ADeletedKeyframeGoesAfterTheListWasDrawn) {
    g_currentProfile.animations = {{0.5f, keyframe("A")}, {1.0f, keyframe("B")}, {2.0f, keyframe("C")}};
    m_toolkit.frame(draw());
    ImGuiIO& io = ImGui::GetIO();
    io.MousePos = m_toolkit.textRect("删除", 1).GetCenter();
    io.MouseDown[0] = true;
    m_toolkit.frame(draw());
    io.MouseDown[0] = false;
    EXPECT_NE(shown().find("时间 1.000"), std::string::npos) << "drawn in the frame of the press";
    EXPECT_EQ(keyTimes(g_currentProfile), (std::vector<float>{0.5f, 2.0f}));
    EXPECT_EQ(shown().find("时间 1.000"), std::string::npos);
}

TEST_F(CameraControlWindow, AddingNumbersTheNextLabelAndTime) {
    g_currentProfile.newKeyPoint = keyframe("Cam8", 5.0f);
    g_currentProfile.newKeyTime = 3.0f;
    click("添加新的摄像机动画坐标");
    ASSERT_EQ(keyTimes(g_currentProfile), (std::vector<float>{3.0f}));
    EXPECT_EQ(textOf(g_currentProfile.animations.at(3.0f).label), "Cam8");
    EXPECT_EQ(g_currentProfile.animations.at(3.0f).x, 5.0f);
    EXPECT_EQ(g_currentProfile.newKeyTime, 4.0f);
    EXPECT_EQ(textOf(g_currentProfile.newKeyPoint.label), "Cam9");

    click("添加新的摄像机动画坐标");
    EXPECT_EQ(textOf(g_currentProfile.animations.at(4.0f).label), "Cam9");
    EXPECT_EQ(textOf(g_currentProfile.newKeyPoint.label), "Cam92");
}

// The toolkit reads "1e39" as infinity and "*1e39" on a zero as NaN; "nan" it takes as typed.
TEST_F(CameraControlWindow, TimesThatAreNotFiniteAreRefusedInTheirFields) {
    struct Case {
        const char* typed;
        float newTime;   // the add block's time, from 3
        float editTime;  // the time of the keyframe in edit, from 0
    };
    const Case cases[] = {{"1e39", 3.0f, 0.0f},   {"*1e39", 3.0f, 0.0f}, {"nan", 3.0f, 0.0f},
                          {"-inf", 3.0f, 0.0f},   {"2.5", 2.5f, 2.5f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        g_currentProfile = CameraProfile{};
        g_currentProfile.animations = {{0.0f, keyframe("A")}};
        g_currentProfile.newKeyTime = 3.0f;
        typeInto("新时间", c.typed);
        EXPECT_EQ(g_currentProfile.newKeyTime, c.newTime);

        click("修改");
        typeInto("时间", c.typed, 1);  // after the slider's "当前动画时间"
        EXPECT_EQ(g_currentProfile.editTimeInput, c.editTime);
    }
}

// Whatever a profile holds, the keyframe map is never given a time that is not finite: NaN
// compares with nothing, so the map would take it for its first key.
TEST_F(CameraControlWindow, ATimeThatIsNotFiniteNeverBecomesAKeyframeTime) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    for (const float time : {nan, infinity}) {
        SCOPED_TRACE(time);
        g_currentProfile = CameraProfile{};
        g_currentProfile.animations = {{0.5f, keyframe("A", 1.0f)}, {1.0f, keyframe("B")}};
        g_currentProfile.newKeyPoint = keyframe("New", 9.0f);
        g_currentProfile.newKeyTime = time;
        click("添加新的摄像机动画坐标");
        EXPECT_EQ(keyTimes(g_currentProfile), (std::vector<float>{0.5f, 1.0f}));
        EXPECT_EQ(g_currentProfile.animations.at(0.5f).x, 1.0f);

        click("修改");
        g_currentProfile.editTimeInput = time;
        click("确认");
        EXPECT_EQ(g_currentProfile.editKeyTime, kNoKeyframeInEdit);
        EXPECT_EQ(keyTimes(g_currentProfile), (std::vector<float>{0.5f, 1.0f}));
    }
}

TEST_F(CameraControlWindow, ACameraValueThatIsNotFiniteIsNotCopiedIntoTheNewKeyframe) {
    m_camera.value->y = std::numeric_limits<float>::quiet_NaN();
    g_currentProfile.newKeyPoint = keyframe("New", 9.0f);
    g_currentProfile.newKeyPoint.y = 4.0f;
    click("复制当前坐标");
    EXPECT_EQ(g_currentProfile.newKeyPoint.x, 10.0f);
    EXPECT_EQ(g_currentProfile.newKeyPoint.y, 4.0f);
    EXPECT_EQ(g_currentProfile.newKeyPoint.z, 30.0f);
}

TEST(KeyframeLabel, TheNextLabelCountsTheLastDigitUpOrAppendsATwo) {
    const std::pair<std::string, std::string> cases[] = {
        {"A", "A2"}, {"A2", "A3"}, {"x0", "x1"}, {"A8", "A9"}, {"A9", "A92"}, {"", ""},
        {std::string("Cam8\0\0\0", 7), "Cam9"}, {std::string("\0Cam", 4), ""}};
    for (const auto& [label, next] : cases) EXPECT_EQ(nextKeyframeLabel(label), next) << label;
}

TEST_F(CameraControlWindow, AKeyframeAtTheNewTimeIsReplacedThroughAYellowButton) {
    g_currentProfile.animations = {{2.0f, keyframe("Old", 1.0f)}};
    g_currentProfile.newKeyPoint = keyframe("New", 9.0f);
    g_currentProfile.newKeyTime = 2.0f;
    ImGuiWindow* window = m_toolkit.frame(draw());
    EXPECT_EQ(textColourIn(window, m_toolkit.textRect("替换现有的动画坐标")), kYellow);
    click("替换现有的动画坐标");
    ASSERT_EQ(keyTimes(g_currentProfile), (std::vector<float>{2.0f}));
    EXPECT_EQ(g_currentProfile.animations.at(2.0f).x, 9.0f);
    EXPECT_EQ(textOf(g_currentProfile.animations.at(2.0f).label), "New");
}

// A list far longer than the window, each keyframe with a label of its own.
std::map<float, CameraPoint> longKeyframeList(int count) {
    std::map<float, CameraPoint> animations;
    for (int key = 0; key < count; ++key) {
        const float time = static_cast<float>(key);
        animations[time] = keyframe(rowLabel(key).c_str(), time);
    }
    return animations;
}

TEST_F(CameraControlWindow, KeyframeRowsInViewStandWhereTheyWouldWithEveryRowLaidOut) {
    g_currentProfile.animations = longKeyframeList(60);
    g_currentProfile.editKeyTime = 3.0f;  // a row in edit above the later views
    g_currentProfile.editTimeInput = 3.0f;
    for (const float scroll : {0.0f, 2500.0f, 1.0e6f}) {
        SCOPED_TRACE(scroll);
        const auto scrolled = drawScrolledTo(scroll);
        for (int settle = 0; settle < 3; ++settle) m_toolkit.frame(scrolled);
        // The toolkit's log capture lays out every row: the reference.
        m_toolkit.frameText(scrolled);
        std::vector<std::pair<int, ImRect>> reference;
        for (int key = 0; key < 60; ++key) {
            const std::optional<ImRect> rect = m_toolkit.findText(rowLabel(key));
            if (rect) reference.emplace_back(key, *rect);
        }
        const float referenceHeight = m_contentHeight;
        ASSERT_GE(reference.size(), 5u);

        m_toolkit.frame(scrolled);
        EXPECT_EQ(m_contentHeight, referenceHeight);
        for (const auto& [key, rect] : reference) {
            const ImRect shownAt = m_toolkit.textRect(rowLabel(key));
            EXPECT_EQ(shownAt.Min.y, rect.Min.y) << rowLabel(key);
            EXPECT_EQ(shownAt.Min.x, rect.Min.x) << rowLabel(key);
        }
        EXPECT_EQ(m_toolkit.findText(rowLabel(reference.back().first + 1)), std::nullopt);
    }
}

TEST_F(CameraControlWindow, OnlyTheKeyframeRowsInViewAreLaidOut) {
    g_currentProfile.animations = longKeyframeList(60);
    for (int settle = 0; settle < 3; ++settle) m_toolkit.frame(draw());
    // Each coordinate editor laid out leaves its columns in the window: the current camera's,
    // the keyframes', the add block's.
    const int columnSets = m_toolkit.frame(draw())->ColumnsStorage.Size;
    EXPECT_GT(columnSets, 5);
    EXPECT_LT(columnSets, 30);
}

TEST_F(CameraControlWindow, TypingIntoAKeyframeLabelGoesOnWhileItsRowIsScrolledAway) {
    g_currentProfile.animations = longKeyframeList(60);
    m_toolkit.frame(draw());
    const ImRect label = m_toolkit.textRect(rowLabel(1));
    m_toolkit.clickAt(ImVec2(label.Max.x + 30.0f, label.GetCenter().y), draw());  // after the text
    m_toolkit.type("ab", draw());
    for (int settle = 0; settle < 3; ++settle) m_toolkit.frame(drawScrolledTo(5000.0f));
    m_toolkit.type("cd", drawScrolledTo(5000.0f));
    for (int settle = 0; settle < 3; ++settle) m_toolkit.frame(drawScrolledTo(0.0f));
    m_toolkit.type("ef", drawScrolledTo(0.0f));
    EXPECT_EQ(textOf(g_currentProfile.animations.at(1.0f).label), rowLabel(1) + "abcdef");
}

// The list lays out the row of the widget that the toolkit's focus is on, which a press on any
// widget of a row gives it: a drag goes on while its row is scrolled away.
TEST_F(CameraControlWindow, DraggingAKeyframeCoordinateGoesOnWhileItsRowIsScrolledAway) {
    g_currentProfile.animations = longKeyframeList(60);
    m_toolkit.frame(draw());
    // The middle (y) field of row 1's position, whose label is the third one drawn, after the
    // current camera's and row 0's.
    const ImRect label = m_toolkit.textRect("坐标（可拖动）", 2);
    ImGuiIO& io = ImGui::GetIO();
    io.MousePos = ImVec2(label.Min.x - 200.0f, label.GetCenter().y);
    io.MouseDown[0] = true;
    m_toolkit.frame(draw());
    const ImGuiID drag = GImGui->ActiveId;
    for (int settle = 0; settle < 3; ++settle) m_toolkit.frame(drawScrolledTo(5000.0f));
    io.MousePos.x += 40.0f;
    m_toolkit.frame(drawScrolledTo(5000.0f));
    EXPECT_EQ(GImGui->ActiveId, drag);
    io.MouseDown[0] = false;
    m_toolkit.frame(drawScrolledTo(5000.0f));
    EXPECT_EQ(g_currentProfile.animations.at(1.0f).y, 40.0f) << "one unit a pixel";
}

TEST_F(CameraControlWindow, TheCopyButtonsFillTheKeyframeBeingPrepared) {
    CameraPoint last = keyframe("Last", 4.0f);
    last.bezierAfter = true;
    g_currentProfile.animations = {{1.0f, keyframe("First")}, {6.0f, last}};
    g_currentProfile.animationTime = 2.5f;

    click("复制当前坐标");
    EXPECT_EQ(g_currentProfile.newKeyPoint.x, 10.0f);
    EXPECT_EQ(g_currentProfile.newKeyPoint.r1, 0.5f);
    EXPECT_EQ(g_currentProfile.newKeyPoint.r3, 0.25f);

    click("复制最后一个动画坐标");
    EXPECT_EQ(g_currentProfile.newKeyPoint.x, 4.0f);
    EXPECT_EQ(textOf(g_currentProfile.newKeyPoint.label), "Last");
    EXPECT_TRUE(g_currentProfile.newKeyPoint.bezierAfter);

    click("复制当前动画时间");
    EXPECT_EQ(g_currentProfile.newKeyTime, 2.5f);
}

}  // namespace
