#include "bridge/lua_plugin_host.h"

#include "entry/internal_lua_plugins.h"
#include "entry/time_pause_wiring.h"
#include "rudiveruv/lua_state_watch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Tovek::KV9Lua;

namespace {

std::vector<std::string> g_log;
std::vector<std::string> g_events;
const KV9Lua* g_seenApi = nullptr;

void testLog(const char* text) { g_log.emplace_back(text); }
bool testHook(void**, void*) { return true; }

bool recordingInit(const LuaPluginInterface* plugin) {
    g_events.push_back(std::string("init:") + plugin->customData);
    g_seenApi = plugin->api;
    return true;
}
bool failingInit(const LuaPluginInterface*) { return false; }
bool throwingInit(const LuaPluginInterface*) { throw std::runtime_error("init exploded"); }

void entryA(LuaState*) {}
void entryB(LuaState*) {}
void entryOutput(LuaState*) {}

const PluginHostApi kHost{testHook, testLog, "{}"};
const KV9Lua kApi{};

std::vector<LuaStateEntry> load(const char* luaPluginData, const InternalLuaPluginTable& plugins) {
    g_log.clear();
    g_events.clear();
    return loadLuaPlugins(kHost, &kApi, nlohmann::json::parse(luaPluginData), plugins);
}

std::string failureOf(const char* luaPluginData, const InternalLuaPluginTable& plugins) {
    try {
        load(luaPluginData, plugins);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no error";
}

}  // namespace

TEST(LuaPluginHost, TheTimePausePluginIsBuiltInAndRequired) {
    const InternalLuaPluginTable plugins = internalLuaPlugins();
    ASSERT_EQ(plugins.size(), 1u);
    EXPECT_EQ(plugins[0].first, "KV9RudiVeruvPlugin");
    EXPECT_EQ(plugins[0].second.init, Zo::KV9RudiVeruv::startTimePausePlugin);
    EXPECT_EQ(plugins[0].second.luaStateEntry, Zo::KV9RudiVeruv::onLuaStateReady);
    // Without its entry the start fails before the plug-in's init runs.
    EXPECT_EQ(failureOf(R"([{"name": "Anything"}])", plugins),
              "json does not have entry for KV9RudiVeruvPlugin");
    EXPECT_EQ(g_log, std::vector<std::string>{"loading internal lua plugin: KV9RudiVeruvPlugin"});
}

TEST(LuaPluginHost, CustomDataTextHandedToInit) {
    const InternalLuaPluginTable plugins = {{"Alpha", {recordingInit, entryA}}};
    const struct {
        const char* data;
        const char* customData;
    } cases[] = {
        {R"([{"name": "Alpha"}])", "[null]"},
        {R"([{"name": "Alpha", "customData": {"hotkey": "P", "b": [1, 2]}}])", R"({"b":[1,2],"hotkey":"P"})"},
        {R"([{"name": "Alpha", "customData": null}])", "null"},
        {R"([{"name": "Alpha", "customData": "名前"}])", "\"名前\""},
        {R"([{"name": "Alpha", "customData": 1}, {"name": "Alpha", "customData": 2}])", "2"},
        {R"([{"name": "Other"}, {"name": "Alpha"}])", "[null]"},
    };
    for (const auto& c : cases) {
        load(c.data, plugins);
        EXPECT_EQ(g_events, std::vector<std::string>{std::string("init:") + c.customData}) << c.data;
    }
    EXPECT_EQ(g_seenApi, &kApi);
    EXPECT_EQ(g_log, (std::vector<std::string>{"loading internal lua plugin: Alpha",
                                               "lua plugin Alpha loaded"}));
}

TEST(LuaPluginHost, InterfaceBlockCarriesTheHostRoutinesAndTheChannel) {
    // The block lives on the host's stack during init only: its fields are checked there.
    const InternalLuaPluginTable plugins = {{"Alpha", {[](const LuaPluginInterface* p) {
                                                 return p->hook == testHook && p->log == testLog &&
                                                        p->registerLuaFunction != nullptr &&
                                                        p->publish == publishPluginMessage &&
                                                        p->subscribe == subscribePluginMessages;
                                             },
                                             entryA}}};
    EXPECT_EQ(load(R"([{"name": "Alpha"}])", plugins).size(), 1u);
}

TEST(LuaPluginHost, OutputPluginsComeFirst) {
    const InternalLuaPluginTable plugins = {
        {"Alpha", {recordingInit, entryA}},
        {"MyOutputPlugin", {recordingInit, entryOutput}},
        {"Beta", {recordingInit, entryB}},
    };
    const auto entries =
        load(R"([{"name": "Beta"}, {"name": "Alpha"}, {"name": "MyOutputPlugin"}])", plugins);
    EXPECT_EQ(entries, (std::vector<LuaStateEntry>{entryOutput, entryA, entryB}));
}

TEST(LuaPluginHost, FailuresCarryTheirTexts) {
    const InternalLuaPluginTable alpha = {{"Alpha", {recordingInit, entryA}}};
    const struct {
        const char* data;
        InternalLuaPluginTable plugins;
        const char* message;
    } cases[] = {
        {R"([{"name": 5}])", alpha,
         "[json.exception.type_error.302] type must be string, but is number: \n{\"name\":5}"},
        {R"([{"name": "Alpha"}, {"id": 1}])", alpha,
         "[json.exception.out_of_range.403] key 'name' not found: \n{\"id\":1}"},
        {R"([3])", alpha, "[json.exception.type_error.304] cannot use at() with number: \n3"},
        {R"([{"name": "Other"}])", alpha, "json does not have entry for Alpha"},
        {R"([{"name": "Alpha"}])", {{"Alpha", {failingInit, entryA}}},
         "Failed to initialize plugin Alpha"},
        {R"([{"name": "Alpha"}])", {{"Alpha", {throwingInit, entryA}}}, "init exploded"},
    };
    for (const auto& c : cases) EXPECT_EQ(failureOf(c.data, c.plugins), c.message) << c.data;
}

TEST(LuaPluginHost, EntryThatIsNotAnObjectIsRefusedBeforeInit) {
    try {
        startLuaPlugin(kHost, &kApi, recordingInit, nlohmann::json::array({1}));
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "invalid json: luaPluginData must be array of objects: [1]");
    }
}
