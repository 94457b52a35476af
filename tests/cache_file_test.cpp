#include "bridge/cache_file.h"

#include "bridge/cache_cipher.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

#include <boost/dll/runtime_symbol_info.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#ifdef __linux__
#include <sys/resource.h>

#include <csignal>
#endif

using namespace Tovek::KV9Lua;
using nlohmann::json;
namespace fs = std::filesystem;

namespace {

// Stands in for game code: it lies inside this program's image, and tests rewrite it.
alignas(4096) uint8_t fixture[4096];

std::vector<std::string> logged;
void recordLog(const char* line) { logged.emplace_back(line); }

std::string readFile(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

std::string utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

class CacheFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (std::size_t i = 0; i < sizeof fixture; ++i) fixture[i] = static_cast<uint8_t>(i * 7);
        logged.clear();
        fs::remove(defaultCachePath());
        folder = testFolderPath("vellox-cache");
        fs::create_directories(folder);
        cache.set(0, reinterpret_cast<uintptr_t>(fixture + 1000));
        cache.set(1, reinterpret_cast<uintptr_t>(fixture + 3000));
    }
    void TearDown() override {
        fs::remove_all(folder);
        fs::remove(defaultCachePath());
    }

    static json configWithPath(const fs::path& path) {
        return json{{"cache", {{"filePath", utf8(path)}}}};
    }

    fs::path folder;
    PointersCache cache;
};

TEST(CacheFile, ConfigSelectsTheCacheLocation) {
    const json inline_ = json::array({"iv", "ciphertext"});
    struct Case {
        json config;
        CacheLocation expected;
    };
    const Case cases[] = {
        {json::object(), DefaultCacheFile{}},
        {json{{"cache", nullptr}}, NoCacheFile{}},
        {json{{"cache", {{"filePath", nullptr}}}}, NoCacheFile{}},
        {json{{"cache", {{"filePath", "x"}}}}, fs::path(u8"x")},
        {json{{"cache", {{"value", inline_}}}}, CacheLocation{std::in_place_type<json>, inline_}},
        {json{{"cache", {{"value", inline_}, {"filePath", "x"}}}},
         CacheLocation{std::in_place_type<json>, inline_}},
        {json{{"cache", {{"value", nullptr}, {"filePath", "x"}}}}, fs::path(u8"x")},
        {json{{"cache", {{"filePath", "caf\xC3\xA9/\xE2\x82\xAC.cache"}}}},
         fs::path(u8"caf\u00E9/\u20AC.cache")},
        {json{{"cache", {{"filePath", "a\xFF" "b\xC3"}}}}, fs::path(u8"ab")},  // invalid, then cut
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.config.dump(-1, ' ', false, json::error_handler_t::replace));
        const CacheLocation location = readCacheConfig(c.config);
        ASSERT_EQ(location.index(), c.expected.index());
        if (const auto* path = std::get_if<fs::path>(&location)) {
            EXPECT_EQ(path->u8string(), std::get<fs::path>(c.expected).u8string());
        }
        if (const auto* value = std::get_if<json>(&location)) {
            EXPECT_EQ(*value, std::get<json>(c.expected));
        }
    }
}

TEST(CacheFile, InvalidConfigsFailLoudlyOnSaveAndAreLoggedOnLoad) {
    struct Case {
        json config;
        std::string error;
    };
    const Case cases[] = {
        {json{{"cache", json::object()}}, "invalid config"},
        {json{{"cache", "text"}}, "invalid config"},
        {json{{"cache", {{"filePath", 5}}}},
         "[json.exception.type_error.302] type must be string, but is number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.config.dump());
        std::string error = "no error";
        try {
            readCacheConfig(c.config);
        } catch (const std::exception& e) {
            error = e.what();
        }
        EXPECT_EQ(error, c.error);

        error = "no error";
        try {
            savePointersCache(c.config, PointersCache());
        } catch (const std::exception& e) {
            error = e.what();
        }
        EXPECT_EQ(error, c.error);

        logged.clear();
        EXPECT_TRUE(loadPointersCache(c.config, recordLog).entries().empty());
        EXPECT_EQ(logged, (std::vector<std::string>{"Failed to load pointers cache: ", c.error}));
    }
}

TEST(CacheFile, DefaultPathIsThisModuleWithDllCacheExtension) {
    // The tests link the plug-in's code into the program itself. A Linux program may know its
    // own file relative to the folder it was started from.
    const fs::path expected = fs::path(boost::dll::program_location()).replace_extension(".dll.cache");
    EXPECT_EQ(fs::absolute(defaultCachePath()), expected);
}

TEST_F(CacheFileTest, MissingConfiguredFileIsLoggedAndTheSaveCreatesIt) {
    const fs::path file = folder / u8"pointers-\u00FC.dll.cache";
    const json config = configWithPath(file);

    EXPECT_TRUE(loadPointersCache(config, recordLog).entries().empty());
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[0], "Failed to load pointers cache: ");
    EXPECT_EQ(logged[1].rfind("[json.exception.parse_error.101]", 0), 0u) << logged[1];

    savePointersCache(config, cache);
    const std::string text = readFile(file);
    EXPECT_EQ(text, json::parse(text).dump());  // compact, no final line break
    EXPECT_EQ(text.find_first_of(" \r\n"), std::string::npos);

    logged.clear();
    EXPECT_EQ(loadPointersCache(config, recordLog).entries(), cache.entries());
    EXPECT_TRUE(logged.empty());
}

TEST_F(CacheFileTest, MissingDefaultFileIsNoErrorAndTheSaveCreatesIt) {
    const json config = json::object();
    EXPECT_TRUE(loadPointersCache(config, recordLog).entries().empty());
    EXPECT_TRUE(logged.empty());

    savePointersCache(config, cache);
    ASSERT_TRUE(fs::exists(defaultCachePath()));
    EXPECT_EQ(loadPointersCache(config, recordLog).entries(), cache.entries());
    EXPECT_TRUE(logged.empty());
}

TEST_F(CacheFileTest, EverySaveRewritesTheFileAndBothVersionsLoad) {
    const fs::path file = folder / "pointers.dll.cache";
    const json config = configWithPath(file);

    savePointersCache(config, cache);
    const std::string first = readFile(file);
    savePointersCache(config, cache);
    const std::string second = readFile(file);

    EXPECT_NE(first, second);
    for (const std::string& text : {first, second}) {
        const json inlined = json{{"cache", {{"value", json::parse(text)}}}};
        EXPECT_EQ(loadPointersCache(inlined, recordLog).entries(), cache.entries());
    }
    EXPECT_TRUE(logged.empty());
}

TEST_F(CacheFileTest, ChangedGameCodeEmptiesTheCacheSilently) {
    const fs::path file = folder / "pointers.dll.cache";
    const json config = configWithPath(file);
    savePointersCache(config, cache);

    fixture[1000] ^= 0x01;
    EXPECT_TRUE(loadPointersCache(config, recordLog).entries().empty());
    EXPECT_TRUE(logged.empty());
}

TEST_F(CacheFileTest, AlteredFileIsLoggedAndGivesAnEmptyCache) {
    const json file = cache.toJson();
    std::vector<uint8_t> sealed = decodeBase64Url(file[1].get<std::string>());
    sealed.back() ^= 0x01;  // inside the tag
    const json config = json{{"cache", {{"value", json::array({file[0], encodeBase64Url(sealed)})}}}};

    EXPECT_TRUE(loadPointersCache(config, recordLog).entries().empty());
    EXPECT_EQ(logged, (std::vector<std::string>{
                          "Failed to load pointers cache: ",
                          "HashVerificationFilter: message hash or MAC not valid"}));
}

TEST_F(CacheFileTest, InlineValueLoadsButCannotBeSaved) {
    const json config = json{{"cache", {{"value", cache.toJson()}}}};
    EXPECT_EQ(loadPointersCache(config, recordLog).entries(), cache.entries());
    EXPECT_TRUE(logged.empty());

    std::string error = "no error";
    try {
        savePointersCache(config, cache);
    } catch (const std::runtime_error& e) {
        error = e.what();
    }
    EXPECT_EQ(error, "serialization of PointersCache with no path provided is not implemented yet");
}

TEST_F(CacheFileTest, NoFileConfigsNeitherReadNorWrite) {
    for (const json& config : {json{{"cache", nullptr}}, json{{"cache", {{"filePath", nullptr}}}}}) {
        SCOPED_TRACE(config.dump());
        EXPECT_TRUE(loadPointersCache(config, recordLog).entries().empty());
        EXPECT_NO_THROW(savePointersCache(config, cache));
    }
    EXPECT_TRUE(logged.empty());
    EXPECT_FALSE(fs::exists(defaultCachePath()));
}

TEST_F(CacheFileTest, UnopenableFileIsSkippedOnSave) {
    const fs::path file = folder / "no-such-folder" / "pointers.dll.cache";
    EXPECT_NO_THROW(savePointersCache(configWithPath(file), cache));
    EXPECT_FALSE(fs::exists(file));
}

// The files in the folder, by name.
std::vector<std::string> filesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(utf8(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

#ifdef __linux__
// Writes past the given size fail (EFBIG) while it lives, as they would on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : m_signal(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_signal);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    void (*m_signal)(int);
};
#endif

TEST_F(CacheFileTest, ASaveReplacesTheWholeFileOrLeavesTheOldOne) {
    const fs::path file = folder / "pointers.dll.cache";
    const std::string old = "the old file";
    struct Case {
        const char* what;
        fs::path target;
        std::function<void()> arrange;  // sets the folder up
        std::string error;              // the start of the error, empty for none
        bool saved;                     // the target then holds the new cache
    };
    const auto oldFile = [&] { std::ofstream(file, std::ios::binary) << old; };
    const std::vector<Case> cases = {
        {"no file yet", file, [] {}, "", true},
        {"an old file", file, oldFile, "", true},
        {"a folder in the file's place", file,
         [&] { fs::create_directories(file / "inside"); },
         "Failed to save pointers cache: cannot replace " + utf8(file) + ": ", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(folder);
        fs::create_directories(folder);
        c.arrange();
        const auto before = filesIn(folder);
        std::string error;
        try {
            savePointersCache(configWithPath(c.target), cache);
        } catch (const std::runtime_error& e) {
            error = e.what();
        }
        EXPECT_EQ(error.substr(0, c.error.size()), c.error);
        EXPECT_EQ(error.empty(), c.error.empty()) << error;
        if (c.saved) {
            EXPECT_EQ(filesIn(folder), std::vector<std::string>{"pointers.dll.cache"});
            EXPECT_EQ(loadPointersCache(configWithPath(c.target), recordLog).entries(),
                      cache.entries());
        } else {
            EXPECT_EQ(filesIn(folder), before);  // nothing left behind, nothing taken away
        }
    }
    EXPECT_TRUE(logged.empty());
}

#ifdef __linux__
TEST_F(CacheFileTest, AWriteThatFailsLeavesTheOldFileAndSaysWhy) {
    const fs::path file = folder / "pointers.dll.cache";
    const std::string old = "the old file";
    std::ofstream(file, std::ios::binary) << old;
    std::string error;
    {
        const FileSizeLimit full(16);  // the cache's text is far longer
        try {
            savePointersCache(configWithPath(file), cache);
        } catch (const std::runtime_error& e) {
            error = e.what();
        }
    }
    const std::string expected = "Failed to save pointers cache: cannot write " + utf8(file) + ".";
    EXPECT_EQ(error.substr(0, expected.size()), expected);
    EXPECT_NE(error.find(".tmp: File too large"), std::string::npos) << error;
    EXPECT_EQ(readFile(file), old);
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"pointers.dll.cache"});
}
#endif

TEST_F(CacheFileTest, AReaderNeverSeesAHalfWrittenFile) {
    const fs::path file = folder / "pointers.dll.cache";
    const json config = configWithPath(file);
    savePointersCache(config, cache);
    std::atomic<bool> saving{true};
    std::atomic<int> reads{0};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (saving) {
            {
                // On Windows an open can fail at the instant of the rename; that is no read.
                std::ifstream stream(file, std::ios::binary);
                if (stream.is_open()) {
                    ++reads;
                    const std::string text{std::istreambuf_iterator<char>(stream), {}};
                    if (!json::accept(text)) ++torn;
                }
            }
            // While it reads, Windows lets no rename replace the file: a start-up reads once.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    std::string error;
    try {
        constexpr int kSaves = 200;
        for (int save = 0; save < kSaves && torn == 0; ++save) savePointersCache(config, cache);
    } catch (const std::runtime_error& e) {
        error = e.what();
    }
    saving = false;
    reader.join();
    EXPECT_EQ(error, "");
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
    EXPECT_GT(reads, 0);
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"pointers.dll.cache"});
}

}  // namespace
