#include "overlay/camera_config.h"

#include "bridge/wide_path.h"
#include "overlay/camera_profile.h"
#include "overlay/hotkey_letters.h"
#include "overlay/nul_padded_text.h"
#include "overlay/output_log.h"
#include "tests/folder_state_guard.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

#include <boost/dll/runtime_symbol_info.hpp>
#include <boost/locale/encoding_utf.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <optional>
#include <random>
#include <regex>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#define NOMINMAX
#include <windows.h>
#endif

using namespace Zo::KV9RudiVeruv;
using Tovek::KV9Lua::pathFromWide;
using Tovek::KV9Lua::wideFromPath;
using nlohmann::json;
namespace fs = std::filesystem;

namespace {

const std::string kLoadedSuffix = " 已加载配置文件：";
const std::string kSavedSuffix = " 已保存配置文件：";

std::string readBytes(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

// Copied beside the test program by the build.
fs::path goldenFile() {
    return boost::dll::program_location().parent_path() / "camera_config_golden.txt";
}

// What the editor does to its text buffers.
std::string nulPadded(std::string text, std::size_t size) {
    text.resize(size, '\0');
    return text;
}

// The golden file's first profile as the file holds it.
CameraProfile goldenFirstProfile() {
    CameraProfile profile;
    profile.description = "Opening shot — 开场";
    profile.animations.emplace(
        0.0f, CameraPoint{0.1f, -1.0f, 250.0f, 3.1415927f, -30.0f, 0.0f, "起点"});
    profile.animations.emplace(
        0.1f, CameraPoint{123456.789f, 2.0f, 1.0f, 0.001f, 0.0f, -0.5f,
                          "tab\there \"quoted\" back\\slash \x01"});
    profile.animations.emplace(2.5f, CameraPoint{});
    profile.timedEvents = {TimedEvent{12.5f, 0.1f, true, false},
                           TimedEvent{-1.0f, 2.0f, false, true}};
    return profile;
}

// The same profile as the editor holds it: padded texts and run-time state in use.
CameraProfile goldenFirstProfileBeingEdited() {
    CameraProfile profile = goldenFirstProfile();
    profile.description = nulPadded(profile.description, 72);
    profile.animations.at(0.0f).label = nulPadded(profile.animations.at(0.0f).label, 32);
    profile.animations.at(2.5f).label = nulPadded("", 32);
    profile.animations.at(0.1f).bezierAfter = true;
    profile.timedEvents[0].fired = true;
    profile.animationPlaying = true;
    profile.animationStart = std::chrono::steady_clock::now();
    profile.editKeyTime = 2.5f;
    profile.bezierResults[3].iterations = 7;
    return profile;
}

CameraProfile goldenSecondProfile() {
    CameraProfile profile;
    profile.description = "第二个";
    profile.timedEvents = {TimedEvent{}};
    return profile;
}

// The saved fields must match; every run-time field must be back at its default.
void expectLoadedAs(const CameraProfile& actual, const CameraProfile& expected) {
    EXPECT_EQ(actual.description, expected.description);
    ASSERT_EQ(actual.animations.size(), expected.animations.size());
    for (auto a = actual.animations.begin(), e = expected.animations.begin();
         a != actual.animations.end(); ++a, ++e) {
        SCOPED_TRACE(e->first);
        EXPECT_EQ(a->first, e->first);
        const CameraPoint& p = a->second;
        const CameraPoint& q = e->second;
        EXPECT_EQ((std::vector<float>{p.x, p.y, p.z, p.r1, p.r2, p.r3}),
                  (std::vector<float>{q.x, q.y, q.z, q.r1, q.r2, q.r3}));
        EXPECT_EQ(p.label, q.label);
        EXPECT_FALSE(p.bezierAfter);
    }
    ASSERT_EQ(actual.timedEvents.size(), expected.timedEvents.size());
    for (std::size_t i = 0; i < actual.timedEvents.size(); ++i) {
        const TimedEvent& a = actual.timedEvents[i];
        const TimedEvent& e = expected.timedEvents[i];
        EXPECT_EQ(a.gameTime, e.gameTime) << i;
        EXPECT_EQ(a.relativeTime, e.relativeTime) << i;
        EXPECT_EQ(a.willSwitchPause, e.willSwitchPause) << i;
        EXPECT_EQ(a.willSwitchAnimation, e.willSwitchAnimation) << i;
        EXPECT_FALSE(a.fired) << i;
    }
    EXPECT_FALSE(actual.animationPlaying);
    EXPECT_FALSE(actual.animationStart.has_value());
    EXPECT_EQ(actual.editKeyTime, -1.0f);
    EXPECT_EQ(actual.bezierResults[3].iterations, 0);
}

void expectStamped(const std::string& status, const std::string& suffix) {
    const std::size_t stampSize = std::string("HH:MM:SS.fffffff").size();
    ASSERT_EQ(status.size(), stampSize + suffix.size()) << status;
    const std::regex stamp(R"(\d\d:\d\d:\d\d\.\d{7})");
    EXPECT_TRUE(std::regex_match(status.substr(0, stampSize), stamp)) << status;
    EXPECT_EQ(status.substr(stampSize), suffix);
}

// A configuration text with one profile and hotkeys a, p, d unless told otherwise.
const std::string kPoint = R"({"label":"k","r1":0,"r2":0,"r3":0,"x":1,"y":2,"z":3})";
const std::string kProfile = R"({"animations":[[0.5,)" + kPoint +
                             R"(]],"description":"First","timedEvents":[]})";
const std::string kHotkeys = R"("hotkeyAnimation":"a","hotkeyDisplay":"d","hotkeyPause":"p")";

std::string configText(const std::string& profiles, const std::string& hotkeys = kHotkeys) {
    return R"({"cameraControls":[)" + profiles + "]," + hotkeys + "}";
}

// Three profiles, the last one's keyframe at 1.5 given as `lastPoint`: hours of work in one file.
std::string threeProfiles(const std::string& hotkeys = kHotkeys,
                          const std::string& lastPoint = kPoint) {
    return configText(kProfile + R"(,{"animations":[],"description":"第二个","timedEvents":[]},)" +
                          R"({"animations":[[1.5,)" + lastPoint +
                          R"(]],"description":"Finale","timedEvents":[]})",
                      hotkeys);
}

// What the status lines add after a load that could not read the file, and after the save that
// kept its bytes.
const std::string kNotReadNotice = "\n配置文件没有读入；保存配置不会丢掉它：覆盖前先原样另存一份。";
const std::string kKeptCopyNote = "\n没有读入的原配置文件已原样另存为：";

// A file held as another program may hold it: there, but not to be opened (under Windows a
// handle that shares nothing, or only reading; elsewhere a link to itself stands in its place)
// until it is released.
class HeldFile {
public:
    explicit HeldFile(fs::path file, bool sharesReading = false) : m_file(std::move(file)) {
#ifdef _WIN32
        m_handle = CreateFileW(m_file.c_str(), GENERIC_READ, sharesReading ? FILE_SHARE_READ : 0,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(m_handle, INVALID_HANDLE_VALUE) << m_file;
#else
        (void)sharesReading;
        m_bytes = readBytes(m_file);
        fs::remove(m_file);
        fs::create_symlink(m_file.filename(), m_file);
#endif
    }
    ~HeldFile() { release(); }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    void release() {
#ifdef _WIN32
        if (m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
#else
        if (!m_bytes) return;
        fs::remove(m_file);
        writeBytes(m_file, *m_bytes);
        m_bytes.reset();
#endif
    }

    // Why opening the file fails while it is held.
    static std::string openError() {
#ifdef _WIN32
        return std::make_error_code(std::errc::permission_denied).message();
#else
        return std::make_error_code(std::errc::too_many_symbolic_link_levels).message();
#endif
    }

private:
    fs::path m_file;
#ifdef _WIN32
    HANDLE m_handle = INVALID_HANDLE_VALUE;
#else
    std::optional<std::string> m_bytes;
#endif
};

// Each test works on a plug-in module of its own in a fresh folder, with the globals at their
// start values.
class CameraConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = testFolderPath("vellox-camera") /
                 u8"插件";
        fs::create_directories(folder);
        resetGlobals();
    }
    void TearDown() override { fs::remove_all(folder.parent_path()); }

    static void resetGlobals() {
        g_cameraProfiles.clear();
        g_currentProfile = CameraProfile{};
        g_currentProfileIndex = 0;
        g_configPath.clear();
        g_configStatusText.clear();
        g_configStatusDetail.clear();
        g_configFileNotRead = false;
        g_configKeptCopy.clear();
        g_hotkeyAnimation = g_hotkeyPause = g_hotkeyDisplay = 0;
    }

    fs::path module() const { return folder / "Quillon.dll"; }
    fs::path primaryFile() const { return folder / "Quillon.dll.camera_config.txt"; }
    fs::path fallbackFile() const { return folder / "Orrin.dll.camera_config.txt"; }
    fs::path keptCopy(int number) const {
        return folder / ("Quillon.dll.camera_config.txt.unreadable-" + std::to_string(number));
    }

    void load() {
        loadCameraConfig([this] { return module(); });
    }
    void save() {
        saveCameraConfig([this] { return module(); });
    }
    void loadText(const std::string& text) {
        writeBytes(primaryFile(), text);
        load();
    }

    fs::path folder;
    OverlayStateGuard m_overlayState;
};

TEST_F(CameraConfigTest, SaveWritesTheGoldenFileAndLoadReadsItBack) {
    const std::string golden = readBytes(goldenFile());
    ASSERT_FALSE(golden.empty()) << goldenFile();

    // The list entry is stale: the save takes the working copy in.
    g_cameraProfiles = {CameraProfile{}, goldenSecondProfile()};
    g_currentProfile = goldenFirstProfileBeingEdited();
    g_hotkeyAnimation = 'A';
    g_hotkeyPause = 0;
    g_hotkeyDisplay = 'H';
    save();

    EXPECT_EQ(readBytes(primaryFile()), golden);
    expectStamped(g_configStatusText, kSavedSuffix);
    EXPECT_EQ(g_configStatusDetail, utf8(primaryFile()));
    EXPECT_EQ(g_cameraProfiles[0].description, "Opening shot — 开场");
    EXPECT_EQ(g_currentProfile.description.size(), 72u);  // the editor keeps its buffer

    resetGlobals();
    g_hotkeyAnimation = g_hotkeyPause = g_hotkeyDisplay = 'Z';
    load();

    ASSERT_EQ(g_cameraProfiles.size(), 2u);
    expectLoadedAs(g_cameraProfiles[0], goldenFirstProfile());
    expectLoadedAs(g_cameraProfiles[1], goldenSecondProfile());
    expectLoadedAs(g_currentProfile, goldenFirstProfile());
    EXPECT_EQ(g_currentProfileIndex, 0);
    EXPECT_EQ(g_hotkeyAnimation, 'A');
    EXPECT_EQ(g_hotkeyPause, 0);
    EXPECT_EQ(g_hotkeyDisplay, 'H');
    expectStamped(g_configStatusText, kLoadedSuffix);
    EXPECT_EQ(g_configStatusDetail, utf8(primaryFile()));
}

TEST(CameraConfig, NonFiniteFloatsAreWrittenAsNull) {
    const float values[] = {std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity()};
    for (float value : values) {
        const TimedEvent e{value, 16777216.0f, false, false};
        EXPECT_EQ(json(e).dump(), R"({"gameTime":null,"relativeTime":16777216.0,)"
                                  R"("willSwitchAnimation":false,"willSwitchPause":false})");
    }
}

TEST_F(CameraConfigTest, LoadFailuresLeaveOneProfileAndAStatusLine) {
    const std::string detail = "the detail of the last success";
    struct Case {
        std::string file;
        std::string status;           // the whole line, or its start for parse errors
        std::string firstDescription;  // of the one profile left
        std::string rawHotkeys;        // animation, pause, display as read before the failure
    };
    const std::string none(3, '\0');
    const Case cases[] = {
        {"", "加载配置出错：[json.exception.parse_error.101]", "", none},
        {configText(kProfile).substr(0, 40), "加载配置出错：[json.exception.parse_error.101]", "",
         none},
        {configText(kProfile) + " x", "加载配置出错：[json.exception.parse_error.101]", "", none},
        {"// saved by hand\n" + configText(kProfile),
         "加载配置出错：[json.exception.parse_error.101]", "", none},
        {"[]", "加载配置出错：[json.exception.type_error.304] cannot use at() with array", "",
         none},
        {"{" + kHotkeys + "}",
         "加载配置出错：[json.exception.out_of_range.403] key 'cameraControls' not found", "",
         none},
        {configText("5"), "加载配置出错：[json.exception.type_error.304] cannot use at() with number",
         "", none},
        {configText(R"({"animations":[],"description":7,"timedEvents":[]})"),
         "加载配置出错：[json.exception.type_error.302] type must be string, but is number", "",
         none},
        {configText(R"({"animations":[],"description":"","timedEvents":{}})"),
         "加载配置出错：[json.exception.type_error.302] type must be array, but is object", "",
         none},
        {configText(R"({"animations":[5],"description":"","timedEvents":[]})"),
         "加载配置出错：[json.exception.type_error.302] type must be array, but is number", "",
         none},
        {configText(R"({"animations":[[0.5]],"description":"","timedEvents":[]})"),
         "加载配置出错：[json.exception.out_of_range.401] array index 1 is out of range", "", none},
        {configText(R"({"animations":[[0.5,{"r1":0,"r2":0,"r3":0,"x":1,"y":2,"z":3}]],)"
                    R"("description":"","timedEvents":[]})"),
         "加载配置出错：[json.exception.out_of_range.403] key 'label' not found", "", none},
        {configText(R"({"animations":[],"description":"","timedEvents":[{"gameTime":1,)"
                    R"("relativeTime":1,"willSwitchAnimation":false,"willSwitchPause":1}]})"),
         "加载配置出错：[json.exception.type_error.302] type must be boolean, but is number", "",
         none},
        // The profiles are in; the hotkeys read so far keep their raw bytes.
        {configText(kProfile, R"("hotkeyAnimation":"a","hotkeyDisplay":"d")"),
         "加载配置出错：[json.exception.out_of_range.403] key 'hotkeyPause' not found", "First",
         std::string("a\0\0", 3)},
        {configText(kProfile, R"("hotkeyAnimation":"a","hotkeyDisplay":4,"hotkeyPause":"p")"),
         "加载配置出错：[json.exception.type_error.302] type must be string, but is number",
         "First", std::string("ap\0", 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        resetGlobals();
        g_configStatusDetail = detail;
        g_currentProfileIndex = 3;
        loadText(c.file);

        EXPECT_EQ(g_configStatusText.rfind(c.status, 0), 0u) << g_configStatusText;
        EXPECT_EQ(g_configStatusDetail, detail);
        ASSERT_EQ(g_cameraProfiles.size(), 1u);
        EXPECT_EQ(g_cameraProfiles[0].description, c.firstDescription);
        EXPECT_EQ(g_currentProfile.description, c.firstDescription);
        EXPECT_EQ(g_currentProfileIndex, 0);
        EXPECT_EQ(std::string({g_hotkeyAnimation, g_hotkeyPause, g_hotkeyDisplay}), c.rawHotkeys);
    }
}

TEST_F(CameraConfigTest, FailedModuleLookupIsAStatusLineToo) {
    struct Case {
        ModulePathLookup lookup;
        std::string status;
    };
    const Case cases[] = {
        {[]() -> fs::path { throw std::runtime_error("no module"); }, "：no module"},
        {[]() -> fs::path { throw 7; }, ""},
    };
    for (const Case& c : cases) {
        resetGlobals();
        loadCameraConfig(c.lookup);
        EXPECT_EQ(g_configStatusText, "加载配置出错" + c.status + kNotReadNotice);
        EXPECT_EQ(g_cameraProfiles.size(), 1u);

        saveCameraConfig(c.lookup);
        EXPECT_EQ(g_configStatusText, "保存配置出错");
        EXPECT_EQ(g_configStatusDetail, "未写入配置文件" + c.status);
    }
}

TEST_F(CameraConfigTest, LoadTakesAnyMemberOrderExtraKeysAByteOrderMarkAndAnyNumberKind) {
    loadText("\xEF\xBB\xBF\r\n"
             R"({ "hotkeyPause": "p", "comment": "ignored", "hotkeyDisplay": "d",
                  "cameraControls": [ { "timedEvents": [ { "willSwitchPause": true,
                      "willSwitchAnimation": false, "relativeTime": 3, "gameTime": true,
                      "fired": true } ],
                    "description": "Ordered", "extra": [1],
                    "animations": [ [ 2, { "z": 18446744073709551615, "y": -4, "x": false,
                      "r3": 1e2, "r2": 0.25, "r1": 7, "label": "k", "bezierAfter": true },
                      "ignored third element" ] ] } ],
                  "hotkeyAnimation": "a" })"
             "\r\n\t \r\n");

    ASSERT_EQ(g_cameraProfiles.size(), 1u) << g_configStatusText;
    CameraProfile expected;
    expected.description = "Ordered";
    expected.animations.emplace(
        2.0f, CameraPoint{0.0f, -4.0f, 18446744073709551615.0f, 7.0f, 0.25f, 100.0f, "k"});
    expected.timedEvents = {TimedEvent{1.0f, 3.0f, true, false}};
    expectLoadedAs(g_cameraProfiles[0], expected);
    EXPECT_EQ(std::string({g_hotkeyAnimation, g_hotkeyPause, g_hotkeyDisplay}), "APD");
    expectStamped(g_configStatusText, kLoadedSuffix);
}

TEST_F(CameraConfigTest, HotkeyStringsGiveAnUpperCaseLetterOrNone) {
    const struct {
        std::string text;  // JSON string contents
        char hotkey;
    } cases[] = {
        {"p", 'P'}, {"P", 'P'}, {"a", 'A'},  {"z", 'Z'}, {"xyz", 'X'}, {"", 0}, {"\\u0000", 0},
        {"1", 0},   {"@", 0},   {"[", 0},    {"`", 0},   {"{", 0},     {" ", 0}, {"é", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string value = "\"" + c.text + "\"";
        loadText(configText(kProfile, R"("hotkeyAnimation":)" + value + R"(,"hotkeyDisplay":)" +
                                          value + R"(,"hotkeyPause":)" + value));
        expectStamped(g_configStatusText, kLoadedSuffix);
        EXPECT_EQ(std::string({g_hotkeyAnimation, g_hotkeyPause, g_hotkeyDisplay}),
                  std::string(3, c.hotkey));
    }
}

TEST_F(CameraConfigTest, RepeatedKeyframeTimeKeepsTheFirstPair) {
    loadText(configText(R"({"animations":[[1.0,{"label":"first","r1":0,"r2":0,"r3":0,"x":1,"y":1,)"
                        R"("z":1}],[0.5,)" + kPoint + R"(],[1,{"label":"second","r1":0,"r2":0,)"
                        R"("r3":0,"x":2,"y":2,"z":2}]],"description":"","timedEvents":[]})"));

    ASSERT_EQ(g_cameraProfiles.size(), 1u) << g_configStatusText;
    const auto& animations = g_cameraProfiles[0].animations;
    ASSERT_EQ(animations.size(), 2u);
    EXPECT_EQ(animations.begin()->first, 0.5f);
    EXPECT_EQ(animations.at(1.0f).label, "first");
    EXPECT_EQ(animations.at(1.0f).x, 1.0f);
}

TEST_F(CameraConfigTest, EmptyProfileListInTheFileGivesOneDefaultProfile) {
    loadText(configText(""));

    ASSERT_EQ(g_cameraProfiles.size(), 1u);
    expectLoadedAs(g_cameraProfiles[0], CameraProfile{});
    expectLoadedAs(g_currentProfile, CameraProfile{});
    expectStamped(g_configStatusText, kLoadedSuffix);
    EXPECT_EQ(g_hotkeyPause, 'P');
}

TEST_F(CameraConfigTest, FallbackFileIsReadAndTheNextSaveWritesThePrimaryFile) {
    // The fallback in another layout, so that it shows whether the save touched it.
    const std::string fallbackText = json::parse(readBytes(goldenFile())).dump(2);
    writeBytes(fallbackFile(), fallbackText);

    load();
    ASSERT_EQ(g_cameraProfiles.size(), 2u) << g_configStatusText;
    expectLoadedAs(g_cameraProfiles[0], goldenFirstProfile());
    expectStamped(g_configStatusText, kLoadedSuffix);
    EXPECT_EQ(g_configStatusDetail, utf8(fallbackFile()));
    EXPECT_EQ(pathFromWide(g_configPath), fallbackFile());

    save();
    EXPECT_EQ(readBytes(primaryFile()), readBytes(goldenFile()));
    EXPECT_EQ(readBytes(fallbackFile()), fallbackText);
    EXPECT_EQ(g_configStatusDetail, utf8(primaryFile()));
    EXPECT_EQ(pathFromWide(g_configPath), primaryFile());
}

TEST_F(CameraConfigTest, NoFileGivesOneDefaultProfileAndLeavesTheStatusAlone) {
    g_configStatusText = "earlier text";
    g_configStatusDetail = "earlier detail";
    g_hotkeyDisplay = 'H';
    load();

    ASSERT_EQ(g_cameraProfiles.size(), 1u);
    expectLoadedAs(g_cameraProfiles[0], CameraProfile{});
    expectLoadedAs(g_currentProfile, CameraProfile{});
    EXPECT_EQ(g_configStatusText, "earlier text");
    EXPECT_EQ(g_configStatusDetail, "earlier detail");
    EXPECT_EQ(g_hotkeyDisplay, 'H');
    EXPECT_EQ(pathFromWide(g_configPath), fallbackFile());
    EXPECT_FALSE(fs::exists(fallbackFile()));
}

// A file the load could not read survives the saves that follow: its bytes go to a copy beside
// it, under a name no earlier copy has, before the first save replaces it, and the status lines
// say so from the failed load on.
TEST_F(CameraConfigTest, AFileTheLoadCouldNotReadIsKeptBesideItThroughTheSaves) {
    const std::string whole = threeProfiles();
    const std::u16string wide = boost::locale::conv::utf_to_utf<char16_t>(whole);
    std::string notepadUnicode = "\xFF\xFE";  // UTF-16, little-endian, with its byte-order mark
    for (const char16_t unit : wide) {
        notepadUnicode += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    }
    const struct {
        const char* what;
        std::string file;
        bool held;          // by another program, at the first frame
        int earlierCopies;  // kept by earlier sessions
    } cases[] = {
        {"a hotkey given as a number",
         threeProfiles(R"("hotkeyAnimation":"a","hotkeyDisplay":"d","hotkeyPause":5)"), false, 0},
        {"a keyframe without its label",
         threeProfiles(kHotkeys, R"({"r1":0,"r2":0,"r3":0,"x":1,"y":2,"z":3})"), false, 0},
        {"UTF-16 as Notepad saves \"Unicode\"", notepadUnicode, false, 0},
        {"cut in half", whole.substr(0, whole.size() / 2), false, 1},
        {"text after the object", whole + "\r\nnotes: the finale needs work\r\n", false, 0},
        {"held by another program", whole, true, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(folder);
        fs::create_directories(folder);
        resetGlobals();
        g_outputLog.clear();
        writeBytes(primaryFile(), c.file);
        for (int n = 1; n <= c.earlierCopies; ++n) {
            writeBytes(keptCopy(n), "earlier copy " + std::to_string(n));
        }
        {
            std::optional<HeldFile> held;
            if (c.held) held.emplace(primaryFile());
            load();
        }
        EXPECT_EQ(g_configStatusText.rfind("加载配置出错：", 0), 0u) << g_configStatusText;
        EXPECT_TRUE(g_configStatusText.ends_with(kNotReadNotice)) << g_configStatusText;
        if (c.held) {
            EXPECT_EQ(g_configStatusText, "加载配置出错：cannot open " + utf8(primaryFile()) + ": " +
                                              HeldFile::openError() + kNotReadNotice);
        }
        ASSERT_EQ(g_cameraProfiles.size(), 1u);

        const fs::path copy = keptCopy(c.earlierCopies + 1);
        for (int round = 1; round <= 2; ++round) {
            SCOPED_TRACE(round);
            save();
            expectStamped(g_configStatusText, kSavedSuffix);
            EXPECT_EQ(g_configStatusDetail, utf8(primaryFile()) + kKeptCopyNote + utf8(copy));
            EXPECT_EQ(readBytes(copy), c.file);
            EXPECT_FALSE(fs::exists(keptCopy(c.earlierCopies + 2)));
            for (int n = 1; n <= c.earlierCopies; ++n) {
                EXPECT_EQ(readBytes(keptCopy(n)), "earlier copy " + std::to_string(n));
            }
            const json saved = json::parse(readBytes(primaryFile()));
            EXPECT_EQ(saved.at("cameraControls").size(), 1u);
        }
        ASSERT_EQ(g_outputLog.size(), 1u);
        EXPECT_EQ(g_outputLog[0].text, "保存配置：没有读入的原配置文件已原样另存为 " + utf8(copy));
    }
}

// Only a missing file is a first run: the fallback file that is there but cannot be opened fails
// the load too, and the save, which writes the plug-in's own file, leaves it alone.
TEST_F(CameraConfigTest, AFallbackFileThatCannotBeOpenedFailsTheLoad) {
    writeBytes(fallbackFile(), threeProfiles());
    {
        HeldFile held(fallbackFile());
        load();
    }
    EXPECT_EQ(g_configStatusText, "加载配置出错：cannot open " + utf8(fallbackFile()) + ": " +
                                      HeldFile::openError() + kNotReadNotice);
    ASSERT_EQ(g_cameraProfiles.size(), 1u);

    save();
    expectStamped(g_configStatusText, kSavedSuffix);
    EXPECT_EQ(g_configStatusDetail, utf8(primaryFile()));
    EXPECT_EQ(readBytes(fallbackFile()), threeProfiles());
    EXPECT_FALSE(fs::exists(keptCopy(1)));
}

// What the load gave, the save keeps; after a successful load there is nothing to keep aside.
TEST_F(CameraConfigTest, AFileThatLoadedIsReplacedWithoutACopy) {
    writeBytes(primaryFile(), threeProfiles());
    load();
    expectStamped(g_configStatusText, kLoadedSuffix);
    save();
    EXPECT_EQ(g_configStatusDetail, utf8(primaryFile()));
    EXPECT_EQ(json::parse(readBytes(primaryFile())).at("cameraControls").size(), 3u);
    EXPECT_FALSE(fs::exists(keptCopy(1)));
}

#ifdef _WIN32
// A folder reached as a share, "\\server\share\...": under Wine the prefix's dosdevices\unc
// folder holds the shares (a server is a folder, a share a folder in it); elsewhere the
// administrative share of the folder's drive. A server's folder made for it goes with it.
struct ShareFolder {
    ~ShareFolder() {
        std::error_code ignored;
        if (!made.empty()) fs::remove_all(made, ignored);
    }

    fs::path local;  // where the files are
    fs::path unc;    // the same folder, named through the share
    fs::path made;   // the server's folder made for the test, if one was
};

ShareFolder shareFolder(const fs::path& folder) {
    const std::string name = folder.parent_path().filename().string();
    wchar_t prefix[MAX_PATH];
    const DWORD size = GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH);
    if (size == 0 || size >= MAX_PATH) {
        const std::wstring drive = folder.root_name().wstring();  // "C:"
        return {folder, LR"(\\localhost\)" + drive.substr(0, 1) + L"$" +
                            folder.wstring().substr(drive.size()),
                {}};
    }
    std::wstring unixServers = std::wstring(prefix, size) + L"/dosdevices/unc/";
    std::replace(unixServers.begin(), unixServers.end(), L'/', L'\\');
    const fs::path share = fs::path(L"Z:" + unixServers) / name / "share";
    return {share / u8"插件", fs::path(LR"(\\)" + fs::path(name).wstring() + LR"(\share\插件)"),
            share.parent_path()};
}

// The plug-in's module named in the long-path form "\\?\C:\..." (the module's file name keeps
// it when the module was loaded through it) or through a share: the load, the save, the copy of
// a file not read and the status lines all work, and show the path without the prefix.
TEST_F(CameraConfigTest, ModulePathsInTheLongPathFormOrOnAShareWork) {
    const ShareFolder share = shareFolder(folder);
    const struct {
        const char* what;
        fs::path local;    // the module's folder as the test reaches it
        fs::path module;   // as the plug-in is told it
        std::string shown; // the configuration file in the status lines
    } cases[] = {
        {"long-path form", folder, fs::path(LR"(\\?\)" + module().wstring()),
         utf8(primaryFile())},
        {"share", share.local, share.unc / "Quillon.dll",
         utf8(share.unc / "Quillon.dll.camera_config.txt")},
        {"share in the long-path form", share.local,
         fs::path(LR"(\\?\UNC\)" + share.unc.wstring().substr(2)) / "Quillon.dll",
         utf8(share.unc / "Quillon.dll.camera_config.txt")},
    };
    fs::create_directories(share.local);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path file = c.local / "Quillon.dll.camera_config.txt";
        const fs::path copy = c.local / "Quillon.dll.camera_config.txt.unreadable-1";
        fs::remove(copy);
        const ModulePathLookup lookup = [&] { return c.module; };
        fs::remove(file);
        resetGlobals();
        loadCameraConfig(lookup);  // no file yet: a first run
        EXPECT_EQ(g_configStatusText, "");
        EXPECT_EQ(g_cameraProfiles.size(), 1u);

        writeBytes(file, readBytes(goldenFile()));
        resetGlobals();
        loadCameraConfig(lookup);
        expectStamped(g_configStatusText, kLoadedSuffix);
        EXPECT_EQ(g_configStatusDetail, c.shown);
        EXPECT_EQ(g_cameraProfiles.size(), 2u);
        expectLoadedAs(g_cameraProfiles[0], goldenFirstProfile());

        saveCameraConfig(lookup);
        expectStamped(g_configStatusText, kSavedSuffix);
        EXPECT_EQ(g_configStatusDetail, c.shown);
        EXPECT_EQ(readBytes(file), readBytes(goldenFile()));

        writeBytes(file, "{");
        loadCameraConfig(lookup);
        EXPECT_EQ(g_configStatusText.rfind("加载配置出错：", 0), 0u) << g_configStatusText;
        saveCameraConfig(lookup);
        expectStamped(g_configStatusText, kSavedSuffix);
        EXPECT_EQ(g_configStatusDetail, c.shown + kKeptCopyNote + c.shown + ".unreadable-1");
        EXPECT_EQ(readBytes(copy), "{");
    }
}
#endif

// A text is the part before its first NUL, also as the load reads it, so that a NUL typed into
// the file by hand cannot make a save give back less than the load gave.
TEST_F(CameraConfigTest, ATextIsThePartBeforeItsFirstNulAlsoWhenLoaded) {
    loadText(configText(R"({"animations":[[0.5,{"label":"a\u0000b","r1":0,"r2":0,"r3":0,"x":1,)"
                        R"("y":2,"z":3}]],"description":"c\u0000d","timedEvents":[]})"));
    ASSERT_EQ(g_cameraProfiles.size(), 1u) << g_configStatusText;
    EXPECT_EQ(g_cameraProfiles[0].description, "c");
    EXPECT_EQ(g_cameraProfiles[0].animations.at(0.5f).label, "a");
    EXPECT_EQ(g_currentProfile.description, "c");
    const CameraProfile loaded = g_cameraProfiles[0];

    save();
    expectStamped(g_configStatusText, kSavedSuffix);
    resetGlobals();
    load();
    ASSERT_EQ(g_cameraProfiles.size(), 1u) << g_configStatusText;
    EXPECT_TRUE(sameSavedFields(g_cameraProfiles[0], loaded));
}

TEST_F(CameraConfigTest, SaveStoresTheWorkingCopyAtTheIndexOrAppendsIt) {
    const struct {
        int32_t index;
        int32_t storedAt;
        std::size_t count;
    } cases[] = {{0, 0, 2}, {1, 1, 2}, {2, 2, 3}, {9, 2, 3}, {-1, 2, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        g_cameraProfiles = {goldenSecondProfile(), goldenSecondProfile()};
        g_currentProfile = goldenFirstProfileBeingEdited();
        g_currentProfileIndex = c.index;
        save();

        expectStamped(g_configStatusText, kSavedSuffix);
        EXPECT_EQ(g_currentProfileIndex, c.storedAt);
        ASSERT_EQ(g_cameraProfiles.size(), c.count);
        for (int32_t i = 0; i < static_cast<int32_t>(c.count); ++i) {
            EXPECT_EQ(g_cameraProfiles[i].description,
                      i == c.storedAt ? "Opening shot — 开场" : "第二个");
        }
        // The list entry is a full copy of the working copy, run-time state included.
        EXPECT_TRUE(g_cameraProfiles[c.storedAt].animationPlaying);
        const json saved = json::parse(readBytes(primaryFile()));
        EXPECT_EQ(saved.at("cameraControls").size(), c.count);
    }
}

// A failed save says which file it did not write and why: another program holding the file
// open (also the one the load could not read, which must be copied first), a folder that is
// not there or stands in the file's place, a text that is not UTF-8.
TEST_F(CameraConfigTest, AFailedSaveNamesTheFileAndWhy) {
    CameraProfile invalidText;
    invalidText.animations[1.0f].label = "caf\xC3";  // cut short inside a UTF-8 sequence
    const fs::path missing = folder / "missing" / "Quillon.dll";
    const std::string written = utf8(primaryFile());
    enum class InTheWay { nothing, folder, heldOpen, heldAndNotRead };
    const struct {
        const char* what;
        fs::path module;
        CameraProfile current;
        InTheWay inTheWay;
        std::string detail;
    } cases[] = {
        {"folder missing", missing, CameraProfile{}, InTheWay::nothing,
         "未写入 " + utf8(missing) + ".camera_config.txt：cannot write " + utf8(missing) +
             ".camera_config.txt.tmp: " +
             std::make_error_code(std::errc::no_such_file_or_directory).message()},
        {"invalid UTF-8", module(), invalidText, InTheWay::nothing,
         "未写入 " + written +
             "：[json.exception.type_error.316] incomplete UTF-8 string; last byte: 0xC3"},
        {"held by another program after a load that could not read it", module(),
         CameraProfile{}, InTheWay::heldAndNotRead,
         "未写入 " + written + "：cannot copy it to " + utf8(keptCopy(1)) + ": " +
             HeldFile::openError()},
        {"a folder in the file's place", module(), CameraProfile{}, InTheWay::folder,
         "未写入 " + written + "：cannot replace it: " +
             std::make_error_code(std::errc::is_a_directory).message()},
#ifdef _WIN32
        {"held open by another program", module(), CameraProfile{}, InTheWay::heldOpen,
         "未写入 " + written + "：cannot replace it: " +
             std::make_error_code(std::errc::permission_denied).message()},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(folder);
        fs::create_directories(folder);
        resetGlobals();
        std::optional<HeldFile> held;
        if (c.inTheWay == InTheWay::folder) {
            fs::create_directory(primaryFile());
            writeBytes(primaryFile() / "inside", "x");
        } else if (c.inTheWay == InTheWay::heldOpen) {
            writeBytes(primaryFile(), "held");
            held.emplace(primaryFile(), true);
        } else if (c.inTheWay == InTheWay::heldAndNotRead) {
            writeBytes(primaryFile(), "held");
            load();
            held.emplace(primaryFile());
        }
        g_cameraProfiles = {CameraProfile{}};
        g_currentProfile = c.current;
        g_configStatusDetail = "earlier detail";
        saveCameraConfig([&] { return c.module; });
        EXPECT_EQ(g_configStatusText, "保存配置出错");
        EXPECT_EQ(g_configStatusDetail, c.detail);
        if (held) {
            held->release();
            EXPECT_EQ(readBytes(primaryFile()), "held");
        }
    }
}

// Whatever fails, the file from before stays as it was and nothing is left beside it.
TEST_F(CameraConfigTest, AFailedSaveLeavesTheOldFileWhole) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    const auto withKeyframe = [](float time, float x) {
        CameraProfile profile;
        profile.animations[time].x = x;
        return profile;
    };
    CameraProfile invalidText;
    invalidText.description = "caf\xC3";
    CameraProfile eventAtInfinity;
    eventAtInfinity.timedEvents = {TimedEvent{infinity, 1.0f, false, false}};
    const struct {
        const char* what;
        CameraProfile current;
        fs::path occupied;  // a folder with a file in it, where the save wants to write
    } cases[] = {
        {"text that is not UTF-8", invalidText, {}},
        {"a NaN value", withKeyframe(1.0f, nan), {}},
        {"a NaN keyframe time", withKeyframe(nan, 1.0f), {}},
        {"an infinite event time", eventAtInfinity, {}},
        {"the temporary file cannot be made", CameraProfile{}, "Quillon.dll.camera_config.txt.tmp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(primaryFile(), readBytes(goldenFile()));
        if (!c.occupied.empty()) {
            fs::create_directory(folder / c.occupied);
            writeBytes(folder / c.occupied / "inside", "x");
        }
        g_cameraProfiles = {goldenSecondProfile()};
        g_currentProfile = c.current;
        save();
        EXPECT_EQ(g_configStatusText, "保存配置出错");
        EXPECT_EQ(g_configStatusDetail.rfind("未写入 " + utf8(primaryFile()) + "：", 0), 0u)
            << g_configStatusDetail;
        EXPECT_EQ(readBytes(primaryFile()), readBytes(goldenFile()));
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path());
        EXPECT_EQ(files.size(), c.occupied.empty() ? 1u : 2u);
        if (!c.occupied.empty()) fs::remove_all(folder / c.occupied);
    }
}

TEST_F(CameraConfigTest, ASaveThatCannotReplaceTheFileLeavesWhatStandsThere) {
    fs::create_directory(primaryFile());  // in the way of the rename
    writeBytes(primaryFile() / "inside", "x");
    g_cameraProfiles = {goldenSecondProfile()};
    save();
    EXPECT_EQ(g_configStatusText, "保存配置出错");
    EXPECT_EQ(readBytes(primaryFile() / "inside"), "x");
    EXPECT_FALSE(fs::exists(folder / "Quillon.dll.camera_config.txt.tmp"));
}

// The writer's null for NaN and infinity, a number beyond a float, or no number at all where a
// float belongs: each is read as 0, every profile loads, and the Output log says so once.
TEST_F(CameraConfigTest, ValuesThatAreNotFiniteNumbersLoadAsZeroWithALogLine) {
    const std::string second = R"({"animations":[[2,{"label":"b","r1":0,"r2":0,"r3":0,"x":5,)"
                               R"("y":6,"z":7}]],"description":"Second","timedEvents":[]})";
    const struct {
        std::string point;  // of the first profile's keyframe at 0.5
        std::string events;
        std::string time;   // of that keyframe
        std::string what;   // the log line's count of values read as 0
        std::string first;
    } cases[] = {
        {R"({"label":"k","r1":0,"r2":0,"r3":0,"x":null,"y":2,"z":3})", "[]", "0.5",
         "1 个数值不是有限数", "/cameraControls/0/animations/0/1/x"},
        {R"({"label":"k","r1":0,"r2":0,"r3":null,"x":1,"y":2,"z":1e39})", "[]", "0.5",
         "2 个数值不是有限数", "/cameraControls/0/animations/0/1/z"},
        {kPoint, "[]", "null", "1 个数值不是有限数", "/cameraControls/0/animations/0/0"},
        {R"({"label":"k","r1":"1","r2":[],"r3":{},"x":1,"y":2,"z":3})", "[]", "0.5",
         "3 个值不是数字", "/cameraControls/0/animations/0/1/r1"},
        {R"({"label":"k","r1":"1","r2":0,"r3":0,"x":null,"y":2,"z":3})", "[]", "0.5",
         "1 个数值不是有限数，1 个值不是数字", "/cameraControls/0/animations/0/1/x"},
        {kPoint,
         R"([{"gameTime":null,"relativeTime":-1e39,"willSwitchAnimation":false,)"
         R"("willSwitchPause":true}])",
         "0.5", "2 个数值不是有限数", "/cameraControls/0/timedEvents/0/gameTime"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        resetGlobals();
        g_outputLog.clear();
        loadText(configText(R"({"animations":[[)" + c.time + "," + c.point +
                            R"(]],"description":"First","timedEvents":)" + c.events + "}," +
                            second));

        expectStamped(g_configStatusText, kLoadedSuffix);
        ASSERT_EQ(g_cameraProfiles.size(), 2u);
        EXPECT_EQ(g_cameraProfiles[1].animations.at(2.0f).label, "b");
        const auto& [time, point] = *g_cameraProfiles[0].animations.begin();
        EXPECT_EQ(time, c.time == "null" ? 0.0f : 0.5f);
        for (const float value : {point.x, point.y, point.z, point.r1, point.r2, point.r3}) {
            EXPECT_TRUE(std::isfinite(value));
        }
        for (const TimedEvent& event : g_cameraProfiles[0].timedEvents) {
            EXPECT_EQ(event.gameTime, 0.0f);
            EXPECT_EQ(event.relativeTime, 0.0f);
            EXPECT_TRUE(event.willSwitchPause);
        }
        ASSERT_EQ(g_outputLog.size(), 1u);
        EXPECT_EQ(g_outputLog[0].text, "加载配置：" + c.what + "，已按 0 读取，第一个在 " + c.first);
        EXPECT_FALSE(g_outputLog[0].color.has_value());
    }
    EXPECT_EQ(g_cameraProfiles[0].animations.begin()->second.y, 2.0f) << "the rest as written";
}

// The Output log tells what the load did to the file's values: read as 0 only for a load that
// then succeeded, and keyframes whose times came out the same kept once, counted.
TEST_F(CameraConfigTest, TheRepairLogLinesSayWhatTheLoadDid) {
    const std::string nullTime = R"([null,{"label":"n","r1":0,"r2":0,"r3":0,"x":1,"y":2,"z":3}])";
    const struct {
        const char* what;
        std::string file;
        bool loads;
        std::vector<std::string> log;
    } cases[] = {
        {"two keyframes whose times were null",
         configText(R"({"animations":[)" + nullTime + "," + nullTime + "," + nullTime +
                    R"(],"description":"","timedEvents":[]})"),
         true,
         {"加载配置：3 个数值不是有限数，已按 0 读取，第一个在 /cameraControls/0/animations/0/0",
          "加载配置：2 个动画坐标与前面的时间相同，已舍弃，第一个在 "
          "/cameraControls/0/animations/1"}},
        {"a repeated time in the second profile",
         configText(kProfile + R"(,{"animations":[[1,)" + kPoint + R"(],[1.0,)" + kPoint +
                    R"(]],"description":"","timedEvents":[]})"),
         true,
         {"加载配置：1 个动画坐标与前面的时间相同，已舍弃，第一个在 "
          "/cameraControls/1/animations/1"}},
        {"a value repaired and then a missing label",
         configText(R"({"animations":[[0.5,{"r1":0,"r2":0,"r3":0,"x":null,"y":2,"z":3}]],)"
                    R"("description":"","timedEvents":[]})"),
         false,
         {}},
        {"a value repaired and then a missing hotkey",
         configText(R"({"animations":[[0.5,{"label":"k","r1":"0","r2":0,"r3":0,"x":1,"y":2,)"
                    R"("z":3}]],"description":"","timedEvents":[]})",
                    R"("hotkeyAnimation":"a","hotkeyDisplay":"d")"),
         false,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        resetGlobals();
        g_outputLog.clear();
        loadText(c.file);
        if (c.loads) {
            expectStamped(g_configStatusText, kLoadedSuffix);
            EXPECT_EQ(g_cameraProfiles.back().animations.size(), 1u);
        } else {
            EXPECT_EQ(g_configStatusText.rfind("加载配置出错：", 0), 0u) << g_configStatusText;
        }
        std::vector<std::string> log;
        for (const OutputLogEntry& entry : g_outputLog) log.push_back(entry.text);
        EXPECT_EQ(log, c.log);
    }
}

// A hotkey's first byte that is no character by itself (here the start of "é") would make the
// file unwritable: it is no hotkey, also when a later key fails the load.
TEST_F(CameraConfigTest, ANonAsciiHotkeyIsNoHotkeyAndTheFileStaysSavable) {
    loadText(configText(kProfile, R"("hotkeyAnimation":"é","hotkeyDisplay":"d")"));
    EXPECT_EQ(g_configStatusText.rfind("加载配置出错：", 0), 0u) << g_configStatusText;
    EXPECT_EQ(g_hotkeyAnimation, 0);
    save();
    expectStamped(g_configStatusText, kSavedSuffix);
    const json saved = json::parse(readBytes(primaryFile()));
    EXPECT_EQ(saved.at("hotkeyAnimation"), std::string(1, '\0'));
    EXPECT_EQ(saved.at("cameraControls").at(0).at("description"), "First");
}

// Every configuration the windows can make: any finite floats (keyframe times included),
// texts of whole UTF-8 characters in their NUL-padded buffers, hotkeys A to Z or none.
TEST_F(CameraConfigTest, AnyConfigurationOfTheWindowsSavesAndLoadsBackEqual) {
    std::mt19937 random(101);
    const auto below = [&](uint32_t n) { return static_cast<uint32_t>(random() % n); };
    const auto anyFloat = [&] {
        static const float special[] = {0.0f, -0.0f, std::numeric_limits<float>::denorm_min(),
                                        std::numeric_limits<float>::max(),
                                        -std::numeric_limits<float>::max(), 0.1f, 1e-30f};
        if (below(4) == 0) return special[below(std::size(special))];
        float value;
        do {
            value = std::bit_cast<float>(static_cast<uint32_t>(random()));
        } while (!std::isfinite(value));
        return value;
    };
    const auto anyText = [&](std::size_t bufferSize) {
        static const char32_t ranges[][2] = {
            {0x01, 0x1F}, {0x20, 0x7E}, {0x80, 0x7FF}, {0x4E00, 0x9FFF}, {0xE000, 0xFFFD},
            {0x10000, 0x10FFFF}};
        std::string text;
        for (uint32_t n = below(12); n > 0; --n) {
            const auto& range = ranges[below(std::size(ranges))];
            const char32_t c = range[0] + below(static_cast<uint32_t>(range[1] - range[0] + 1));
            std::string encoded;
            if (c < 0x80) {
                encoded = {static_cast<char>(c)};
            } else if (c < 0x800) {
                encoded = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
            } else if (c < 0x10000) {
                encoded = {static_cast<char>(0xE0 | (c >> 12)),
                           static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                           static_cast<char>(0x80 | (c & 0x3F))};
            } else {
                encoded = {static_cast<char>(0xF0 | (c >> 18)),
                           static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
                           static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                           static_cast<char>(0x80 | (c & 0x3F))};
            }
            if (text.size() + encoded.size() >= bufferSize) break;
            text += encoded;
        }
        return nulPadded(text, below(2) == 0 ? text.size() : bufferSize);
    };
    const auto anyHotkey = [&] { return below(3) == 0 ? '\0' : static_cast<char>('A' + below(26)); };

    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        std::vector<CameraProfile> made(1 + below(3));
        for (CameraProfile& profile : made) {
            profile.description = anyText(72);
            for (uint32_t n = below(5); n > 0; --n) {
                profile.animations[anyFloat()] = CameraPoint{anyFloat(), anyFloat(), anyFloat(),
                                                             anyFloat(), anyFloat(), anyFloat(),
                                                             anyText(32), below(2) == 0};
            }
            for (uint32_t n = below(3); n > 0; --n) {
                profile.timedEvents.push_back(
                    TimedEvent{anyFloat(), anyFloat(), below(2) == 0, below(2) == 0});
            }
        }
        const char hotkeys[3] = {anyHotkey(), anyHotkey(), anyHotkey()};
        resetGlobals();
        g_cameraProfiles = made;
        g_currentProfileIndex = static_cast<int32_t>(below(static_cast<uint32_t>(made.size())));
        g_currentProfile = made[static_cast<std::size_t>(g_currentProfileIndex)];
        g_hotkeyAnimation = hotkeys[0];
        g_hotkeyPause = hotkeys[1];
        g_hotkeyDisplay = hotkeys[2];
        save();
        expectStamped(g_configStatusText, kSavedSuffix);

        resetGlobals();
        load();
        expectStamped(g_configStatusText, kLoadedSuffix);
        ASSERT_EQ(g_cameraProfiles.size(), made.size());
        for (std::size_t i = 0; i < made.size(); ++i) {
            CameraProfile expected = made[i];
            cutAtNul(expected.description);
            for (auto& keyframe : expected.animations) cutAtNul(keyframe.second.label);
            EXPECT_TRUE(sameSavedFields(g_cameraProfiles[i], expected)) << i;
        }
        EXPECT_EQ(std::string({g_hotkeyAnimation, g_hotkeyPause, g_hotkeyDisplay}),
                  std::string(hotkeys, 3));
    }
}

TEST(CameraConfig, SavedFieldsCompareBitForBit) {
    CameraProfile a;
    a.description = "d";
    a.animations[1.0f] = CameraPoint{1, 2, 3, 4, 5, 6, "k", false};
    a.timedEvents = {TimedEvent{}};
    a.animationPlaying = true;  // not saved
    CameraProfile b = a;
    b.animationPlaying = false;
    b.animations[1.0f].bezierAfter = true;  // not saved
    EXPECT_TRUE(sameSavedFields(a, b));
    const std::function<void(CameraProfile&)> changes[] = {
        [](CameraProfile& p) { p.description = "e"; },
        [](CameraProfile& p) { p.animations[1.0f].r3 = -6.0f; },
        [](CameraProfile& p) { p.animations[1.0f].label = "l"; },
        [](CameraProfile& p) { p.animations[2.0f] = CameraPoint{}; },
        [](CameraProfile& p) { p.timedEvents[0].relativeTime = -0.0f; },
        [](CameraProfile& p) { p.timedEvents[0].willSwitchAnimation = true; },
        [](CameraProfile& p) { p.timedEvents.pop_back(); },
    };
    for (const auto& change : changes) {
        CameraProfile c = a;
        change(c);
        EXPECT_FALSE(sameSavedFields(a, c));
    }
    CameraProfile zero;
    zero.animations[0.0f] = CameraPoint{};
    CameraProfile negativeZero;
    negativeZero.animations[-0.0f] = CameraPoint{};
    EXPECT_FALSE(sameSavedFields(zero, negativeZero));
}

TEST(CameraConfig, TimestampIsTheUtcTimeOfDayIn100NanosecondTicks) {
    using namespace std::chrono;
    const sys_days day = year{2024} / March / 5;
    const struct {
        system_clock::time_point when;
        const char* text;
    } cases[] = {
        {day + 14h + 3min + 27s + 501234567ns, "14:03:27.5012345"},
        {day, "00:00:00.0000000"},
        {day + 23h + 59min + 59s + 999999999ns, "23:59:59.9999999"},
        {system_clock::time_point{}, "00:00:00.0000000"},
        {system_clock::time_point{} + 99ns, "00:00:00.0000000"},
        {system_clock::time_point{} - 100ns, "23:59:59.9999999"},
        {sys_days{year{1969} / July / 20} + 20h + 17min + 40s, "20:17:40.0000000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatTimestamp(c.when), c.text);
    }
}

TEST(CameraConfig, ConfigPathsFollowTheModuleFileName) {
    buildConfigPath(fs::path(LR"(C:\Games\Tools\Quillon.dll)"));
    EXPECT_EQ(g_configPath, LR"(C:\Games\Tools\Quillon.dll.camera_config.txt)");

    // The system's code is linked into this program, so the program is the module. A Linux
    // program may know its own file relative to the folder it was started from.
    EXPECT_EQ(fs::absolute(pluginModulePath()), boost::dll::program_location());
    buildConfigPath(pluginModulePath());
    EXPECT_EQ(g_configPath, wideFromPath(pluginModulePath()) + L".camera_config.txt");

    std::wstring& path = setConfigPath(L"D:\\elsewhere.txt");
    EXPECT_EQ(&path, &g_configPath);
    EXPECT_EQ(g_configPath, L"D:\\elsewhere.txt");
    EXPECT_EQ(defaultConfigFileName(), L"Orrin.dll.camera_config.txt");
    g_configPath.clear();
}

}  // namespace
