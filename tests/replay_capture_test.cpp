#include "hostgame/game/game_replay_header.h"
#include "rudiveruv/game_crt_functions.h"
#include "rudiveruv/replay_capture.h"
#include "tests/folder_state_guard.h"
#include "tests/test_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

using namespace Zo::KV9RudiVeruv;
using HostGame::ReplayHeader;
using HostGame::replayHeaderBytes;
using HostGame::replayHeaderOfGameMode;
using namespace std::string_literals;

namespace {

struct CaptureState {
    FILE* file;
    bool isPlayback;
    bool writeOpenFailed;
    bool parseAttempted;
    bool headerParsed;
    int gameMode;
    std::size_t bufferSize;
};

CaptureState captureState() {
    std::lock_guard lock(g_replayCapture.mutex);
    return {g_replayCapture.file,           g_replayCapture.isPlayback,
            g_replayCapture.writeOpenFailed, g_replayCapture.parseAttempted,
            g_replayCapture.headerParsed,   g_replayCapture.gameMode,
            g_replayCapture.buffer.size()};
}

void resetCapture() {
    std::lock_guard lock(g_replayCapture.mutex);
    resetReplayCapture();
}

void expectIdle() {
    const CaptureState state = captureState();
    EXPECT_EQ(state.file, nullptr);
    EXPECT_FALSE(state.isPlayback);
    EXPECT_FALSE(state.writeOpenFailed);
    EXPECT_FALSE(state.parseAttempted);
    EXPECT_FALSE(state.headerParsed);
    EXPECT_EQ(state.gameMode, 0);
    EXPECT_EQ(state.bufferSize, 0u);
}

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

void writeFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::ssize(bytes));
}

// The game's runtime is Wine's msvcr80.dll, called directly: the tests play the game's part
// and call the detours where the game would call the hooked functions.
class ReplayCaptureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_suiteState.emplace();
        const HMODULE msvcr80 = LoadLibraryA("msvcr80.dll");
        ASSERT_NE(msvcr80, nullptr);
        const auto get = [msvcr80](auto& field, const char* name) {
            field = reinterpret_cast<std::remove_reference_t<decltype(field)>>(
                GetProcAddress(msvcr80, name));
            ASSERT_NE(field, nullptr) << name;
        };
        g_gameCrt.module = msvcr80;
        get(g_gameCrt.wfopen, "_wfopen");
        get(g_gameCrt.fread, "fread");
        get(g_gameCrt.fwrite, "fwrite");
        get(g_gameCrt.fseek, "fseek");
        get(g_gameCrt.ftell, "ftell");
        get(g_gameCrt.fclose, "fclose");
        get(g_gameCrt.vsnprintf, "_vsnprintf");
    }
    static void TearDownTestSuite() { s_suiteState.reset(); }

    void SetUp() override {
        m_folder = testFolderPath("vellox-replay");
        std::filesystem::create_directories(m_folder);
        resetCapture();
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    std::filesystem::path pathOf(const char* name) const { return m_folder / name; }
    static FILE* open(const std::filesystem::path& path, const wchar_t* mode) {
        return hookedWfopen(path.c_str(), mode);
    }
    static void write(FILE* stream, std::string_view bytes) {
        ASSERT_EQ(hookedFwrite(bytes.data(), 1, bytes.size(), stream), bytes.size());
    }

    // The suite's game runtime functions are put back after its last test, each test's capture
    // after the test.
    static inline std::optional<RudiVeruvStateGuard> s_suiteState;
    RudiVeruvStateGuard m_rudiVeruvState;
    std::filesystem::path m_folder;
};

TEST_F(ReplayCaptureTest, RecordingIsParsedAtTheFirstFtell) {
    for (int gameMode : {1, 2, 3}) {
        SCOPED_TRACE("game mode " + std::to_string(gameMode));
        resetCapture();
        const std::filesystem::path path = pathOf("game.KV9Replay");
        FILE* replay = open(path, L"wb+");
        ASSERT_NE(replay, nullptr);
        CaptureState state = captureState();
        EXPECT_EQ(state.file, replay);
        EXPECT_FALSE(state.isPlayback);

        // Written the way a game writes records: some in one piece, some as counted elements.
        const std::string header = replayHeaderBytes(replayHeaderOfGameMode(gameMode));
        write(replay, std::string_view(header).substr(0, 20));
        EXPECT_EQ(hookedFwrite(header.data() + 20, 4, 3, replay), 3u);
        write(replay, std::string_view(header).substr(32));
        state = captureState();
        EXPECT_EQ(state.bufferSize, header.size());
        EXPECT_FALSE(state.headerParsed);
        EXPECT_EQ(state.gameMode, 0);

        EXPECT_EQ(hookedFtell(replay), std::ssize(header));
        state = captureState();
        EXPECT_TRUE(state.headerParsed);
        EXPECT_FALSE(state.parseAttempted);
        EXPECT_EQ(state.gameMode, gameMode);
        EXPECT_TRUE(replayFileCaptured());
        EXPECT_FALSE(replayIsPlayback());
        EXPECT_FALSE(replayWriteOpenFailed());
        EXPECT_EQ(replayGameMode(), gameMode);

        // Once parsed, nothing more is collected.
        write(replay, "game records");
        EXPECT_EQ(captureState().bufferSize, header.size());
        EXPECT_EQ(hookedFtell(replay), std::ssize(header) + 12);

        EXPECT_EQ(hookedFclose(replay), 0);
        expectIdle();
        EXPECT_EQ(fileBytes(path), header + "game records");
    }
}

TEST_F(ReplayCaptureTest, PlaybackIsParsedWhenOpenedAndTheGameStillReadsFromTheStart) {
    const struct {
        int gameMode;
        std::size_t bodySize;
        std::size_t captured;  // 0: the whole file
    } cases[] = {{1, 0, 0}, {2, 100, 0}, {3, 10000, 4096}};
    for (const auto& c : cases) {
        SCOPED_TRACE("game mode " + std::to_string(c.gameMode) + ", body " +
                     std::to_string(c.bodySize));
        resetCapture();
        const std::filesystem::path path = pathOf("match.KV9Replay");
        const std::string content =
            replayHeaderBytes(replayHeaderOfGameMode(c.gameMode)) + std::string(c.bodySize, 'b');
        writeFile(path, content);

        FILE* replay = open(path, L"rb");
        ASSERT_NE(replay, nullptr);
        const CaptureState state = captureState();
        EXPECT_EQ(state.file, replay);
        EXPECT_TRUE(state.isPlayback);
        EXPECT_TRUE(state.headerParsed);
        EXPECT_EQ(state.gameMode, c.gameMode);
        EXPECT_EQ(state.bufferSize, c.captured == 0 ? content.size() : c.captured);
        EXPECT_TRUE(replayIsPlayback());
        EXPECT_EQ(replayGameMode(), c.gameMode);

        std::string read(content.size(), '\0');
        EXPECT_EQ(g_gameCrt.fread(read.data(), 1, read.size(), replay), content.size());
        EXPECT_EQ(read, content);
        EXPECT_EQ(hookedFclose(replay), 0);
        expectIdle();
    }
}

TEST_F(ReplayCaptureTest, OnlyReplayNamesStartACapture) {
    const struct {
        const wchar_t* name;
        bool replay;
    } cases[] = {
        {L"game.KV9Replay", true},      {L"GAME.kv9replay", true},
        {L"x.KV9Replay", true},         {L".KV9Replay", false},
        {L"game.KV9Replay.bak", false}, {L"gameKV9Replay", false},
        {L"game.KV9Replays", false},    {L"game.txt", false},
    };
    // None of these exist: a replay name still turns the capture to an empty playback.
    for (const auto& c : cases) {
        SCOPED_TRACE(std::filesystem::path(c.name).string());
        resetCapture();
        EXPECT_EQ(hookedWfopen(c.name, L"rb"), nullptr);
        const CaptureState state = captureState();
        EXPECT_EQ(state.isPlayback, c.replay);
        EXPECT_EQ(state.file, nullptr);
        EXPECT_FALSE(state.parseAttempted);
    }
}

TEST_F(ReplayCaptureTest, OtherOpenModesChangeNothing) {
    FILE* recording = open(pathOf("game.KV9Replay"), L"wb+");
    ASSERT_NE(recording, nullptr);
    write(recording, "head");
    const std::filesystem::path other = pathOf("other.KV9Replay");
    writeFile(other, replayHeaderBytes({}));

    for (const wchar_t* mode : {L"wb", L"rb+", L"w+b", L"ab", L"r"}) {
        SCOPED_TRACE(std::filesystem::path(mode).string());
        FILE* stream = open(other, mode);
        ASSERT_NE(stream, nullptr);
        const CaptureState state = captureState();
        EXPECT_EQ(state.file, recording);
        EXPECT_FALSE(state.isPlayback);
        EXPECT_EQ(state.bufferSize, 4u);
        EXPECT_EQ(hookedFclose(stream), 0);
        EXPECT_EQ(captureState().file, recording);
    }
    EXPECT_EQ(hookedFclose(recording), 0);
    expectIdle();
}

TEST_F(ReplayCaptureTest, OtherFilesPassThroughUntouched) {
    const std::filesystem::path path = pathOf("notes.txt");
    FILE* notes = open(path, L"wb+");
    ASSERT_NE(notes, nullptr);
    write(notes, replayHeaderBytes({}));
    EXPECT_EQ(hookedFtell(notes), std::ssize(replayHeaderBytes({})));
    EXPECT_EQ(hookedFclose(notes), 0);
    expectIdle();
    EXPECT_EQ(fileBytes(path), replayHeaderBytes({}));
    // No replay at all: what the pause-allowed rule reads.
    EXPECT_FALSE(replayWriteOpenFailed());
    EXPECT_FALSE(replayFileCaptured());
    EXPECT_FALSE(replayIsPlayback());
    EXPECT_EQ(replayGameMode(), 0);
}

TEST_F(ReplayCaptureTest, FailedRecordingOpenLastsUntilTheNextReplayOpen) {
    FILE* previous = open(pathOf("earlier.KV9Replay"), L"wb+");
    ASSERT_NE(previous, nullptr);
    EXPECT_EQ(open(pathOf("missing folder/game.KV9Replay"), L"wb+"), nullptr);
    CaptureState state = captureState();
    EXPECT_TRUE(state.writeOpenFailed);
    EXPECT_EQ(state.file, nullptr);
    EXPECT_FALSE(state.isPlayback);
    EXPECT_TRUE(replayWriteOpenFailed());

    // Neither another file nor the close of the earlier replay clears it.
    FILE* notes = open(pathOf("notes.txt"), L"wb+");
    EXPECT_EQ(hookedFclose(notes), 0);
    EXPECT_EQ(hookedFclose(previous), 0);
    EXPECT_TRUE(replayWriteOpenFailed());

    const std::filesystem::path path = pathOf("game.KV9Replay");
    writeFile(path, replayHeaderBytes({}));
    FILE* replay = open(path, L"rb");
    ASSERT_NE(replay, nullptr);
    EXPECT_FALSE(replayWriteOpenFailed());
    EXPECT_TRUE(captureState().headerParsed);
    EXPECT_EQ(hookedFclose(replay), 0);
}

TEST_F(ReplayCaptureTest, PlaybackOfAMissingReplayIsAnEmptyPlayback) {
    EXPECT_EQ(open(pathOf("missing.KV9Replay"), L"rb"), nullptr);
    const CaptureState state = captureState();
    EXPECT_TRUE(state.isPlayback);
    EXPECT_EQ(state.file, nullptr);
    EXPECT_FALSE(state.parseAttempted);
    EXPECT_FALSE(state.headerParsed);
    EXPECT_FALSE(replayFileCaptured());
}

TEST_F(ReplayCaptureTest, TheLatestReplayOpenWins) {
    const std::string first = replayHeaderBytes({});
    FILE* older = open(pathOf("older.KV9Replay"), L"wb+");
    ASSERT_NE(older, nullptr);
    write(older, std::string_view(first).substr(0, 40));
    FILE* newer = open(pathOf("newer.KV9Replay"), L"wb+");
    ASSERT_NE(newer, nullptr);
    CaptureState state = captureState();
    EXPECT_EQ(state.file, newer);
    EXPECT_EQ(state.bufferSize, 0u);

    // The older file is no longer followed: its bytes, its ftell and its close change nothing.
    write(older, std::string_view(first).substr(40));
    EXPECT_EQ(hookedFtell(older), std::ssize(first));
    EXPECT_EQ(hookedFclose(older), 0);
    state = captureState();
    EXPECT_EQ(state.file, newer);
    EXPECT_EQ(state.bufferSize, 0u);
    EXPECT_FALSE(state.parseAttempted);

    write(newer, replayHeaderBytes(replayHeaderOfGameMode(2)));
    hookedFtell(newer);
    EXPECT_TRUE(captureState().headerParsed);
    EXPECT_EQ(replayGameMode(), 2);
    EXPECT_EQ(hookedFclose(newer), 0);
    expectIdle();
}

TEST_F(ReplayCaptureTest, AHeaderIncompleteAtTheFirstFtellEndsTheCapture) {
    const std::string header = replayHeaderBytes(replayHeaderOfGameMode(2));
    const std::size_t beforeSlotIndex = header.find(";\0;SD="s) + 1;
    const struct {
        const char* name;
        std::size_t written;
        int gameMode;
    } cases[] = {
        {"only the marker and the block after it", HostGame::kReplayTextOffset, 0},
        {"all but the slot index", beforeSlotIndex, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        resetCapture();
        FILE* replay = open(pathOf("game.KV9Replay"), L"wb+");
        ASSERT_NE(replay, nullptr);
        write(replay, std::string_view(header).substr(0, c.written));
        EXPECT_EQ(hookedFtell(replay), static_cast<long>(c.written));
        CaptureState state = captureState();
        EXPECT_TRUE(state.parseAttempted);
        EXPECT_EQ(state.gameMode, c.gameMode);
        EXPECT_FALSE(isCapturedReplayFile(replay));

        // No second parse, however much follows.
        write(replay, std::string_view(header).substr(c.written));
        hookedFtell(replay);
        state = captureState();
        EXPECT_FALSE(state.headerParsed);
        EXPECT_EQ(state.bufferSize, c.written);

        // Its close resets nothing: a recording of that mode stays on record.
        EXPECT_EQ(hookedFclose(replay), 0);
        state = captureState();
        EXPECT_EQ(state.file, replay);
        EXPECT_FALSE(state.isPlayback);
        EXPECT_EQ(state.gameMode, c.gameMode);
        EXPECT_TRUE(replayFileCaptured());
    }
    // The next replay open starts afresh.
    EXPECT_EQ(open(pathOf("missing.KV9Replay"), L"rb"), nullptr);
    const CaptureState state = captureState();
    EXPECT_FALSE(state.parseAttempted);
    EXPECT_EQ(state.gameMode, 0);
    EXPECT_EQ(state.file, nullptr);
}

TEST_F(ReplayCaptureTest, AHeaderPastTheFirst4096BytesFailsPlayback) {
    ReplayHeader late;
    late.lead = std::string(4096 - 60, 'x');  // the marker fits, the text does not
    const std::filesystem::path path = pathOf("late.KV9Replay");
    writeFile(path, replayHeaderBytes(late));
    FILE* replay = open(path, L"rb");
    ASSERT_NE(replay, nullptr);
    const CaptureState state = captureState();
    EXPECT_TRUE(state.parseAttempted);
    EXPECT_FALSE(state.headerParsed);
    EXPECT_EQ(state.bufferSize, 4096u);
    EXPECT_EQ(hookedFclose(replay), 0);
    EXPECT_EQ(captureState().file, replay);
    EXPECT_TRUE(replayIsPlayback());
}

TEST_F(ReplayCaptureTest, ABufferThatCannotGrowEndsTheCapture) {
    FILE* replay = open(pathOf("game.KV9Replay"), L"wb+");
    ASSERT_NE(replay, nullptr);
    write(replay, "head");
    // More than a string can hold: the append throws before it reads a byte.
    appendReplayBytes("x", std::string().max_size());
    CaptureState state = captureState();
    EXPECT_TRUE(state.parseAttempted);
    EXPECT_EQ(state.bufferSize, 4u);
    EXPECT_FALSE(isCapturedReplayFile(replay));
    write(replay, std::string_view(replayHeaderBytes({})).substr(4));
    hookedFtell(replay);
    EXPECT_FALSE(captureState().headerParsed);
    EXPECT_EQ(hookedFclose(replay), 0);
}

}  // namespace
