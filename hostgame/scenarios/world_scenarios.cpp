#include "hostgame/scenarios/world_scenarios.h"

#include "hostgame/scenarios/bridge_scenarios.h"
#include "hostgame/game/game_animation.h"
#include "hostgame/game/game_animation_chain.h"
#include "hostgame/game/game_scripts.h"
#include "hostgame/game/game_symbols.h"
#include "hostgame/game/game_world.h"
#include "hostgame/loader/plugin_loader.h"

#include <cinttypes>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <string>

namespace HostGame {

namespace {

const char* const kPlayerNamesUtf8[] = {"Hjördís 北𝄞", "Erik", nullptr, "Ulf"};

const std::string kNotInitialized = R"((nil, "Error: GameObjectHashMap not initialized"))";
const std::string kObjectsNull = R"((nil, "Error: GameObjects is null"))";
const std::string kNotFound = R"((nil, "Error: GameObjects not found"))";
const std::string kInvalidId = R"((nil, "Error: Invalid id argument"))";
const std::string kMustBeTable = R"((nil, "Invalid argument: must be table"))";
const std::string kInvalidUseId = R"((nil, "Invalid argument: invalid id"))";

std::string quoted(const std::string& text) { return "(\"" + text + "\")"; }

std::string nameResult(int player) { return quoted(kPlayerNamesUtf8[player]); }

uint32_t addressOf(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

std::string addressResult(const void* object) {
    char text[32];
    std::snprintf(text, sizeof text, "GameObject:%08" PRIX32, addressOf(object));
    return quoted(text);
}

std::string playerPointerResult(uint32_t pointer) {
    char text[32];
    std::snprintf(text, sizeof text, "PlayerPointer:%" PRIx32, pointer);
    return quoted(text);
}

// A table of the script's, not on the stack.
HostLua::Table* newTable(lua_State* L) {
    HostLua::Table* table = HostLua::pushNewTable(L);
    --L->top;
    return table;
}

// The game lock's counters since the last look. A locked walk of the object map shows as one
// lock and one unlock, with no wrong call and the lock free again.
class LockWatch {
public:
    LockWatch() { take(); }

    std::string take() {
        const std::string counts = describe(g_objectsLockCalls - m_locks,
                                            g_objectsUnlockCalls - m_unlocks,
                                            g_objectsLockFaults - m_faults, g_objectsLockHeld);
        m_locks = g_objectsLockCalls;
        m_unlocks = g_objectsUnlockCalls;
        m_faults = g_objectsLockFaults;
        return counts;
    }
    static std::string walks(uint32_t count) { return describe(count, count, 0, 0); }

private:
    static std::string describe(uint32_t locks, uint32_t unlocks, uint32_t faults, uint32_t held) {
        return std::to_string(locks) + " locks, " + std::to_string(unlocks) + " unlocks, " +
               std::to_string(faults) + " wrong calls, " + (held ? "held" : "free");
    }

    uint32_t m_locks = 0;
    uint32_t m_unlocks = 0;
    uint32_t m_faults = 0;
};

// One game session: the plug-in started, a world of the edition, one Lua state with the
// library registered.
struct Session {
    GameWorld world;
    std::unique_ptr<lua_State> state = newGameState();
    LockWatch lock;

    explicit Session(Edition edition) : world(edition) {
        assignGlobalFunction(state.get(), "GetFrame", host_base_noop);
    }
    lua_State* L() { return state.get(); }
    void assignObjectDescription() {
        assignGlobalFunction(L(), "ObjectDescription", host_object_description);
    }

    // A call from a script: its results, and how many locked walks of the map it made.
    void check(ScenarioChecks& checks, const char* function,
               std::initializer_list<ScriptArgument> args, const std::string& expected,
               uint32_t walks) {
        const std::string result = resultOf(L(), function, args);
        const std::string actual = result + ", " + lock.take();
        const std::string wanted = expected + ", " + LockWatch::walks(walks);
        checks.check(actual == wanted, std::string(function) + " gives " + wanted +
                                           (actual == wanted ? "" : ", not " + actual));
    }
};

std::optional<PluginRun> startPlugin(ScenarioChecks& checks, const std::string& scenario,
                                     const char* customData) {
    const PluginRun run = runPlugin(freshPluginCopy(scenario), customData);
    checks.check(run.result, "tovek_plugin_init returned true");
    if (!run.result) {
        for (const auto& line : run.log) std::printf("  log: %s\n", line.c_str());
        return std::nullopt;
    }
    return run;
}

// The road of one request: a script asks for the owner of an object by id.
int objectRoad(ScenarioChecks& checks) {
    if (!startPlugin(checks, "object_road", R"({"cache": null, "luaPluginData": [{"name": "KV9RudiVeruvPlugin"}]})")) {
        return checks.exitCode();
    }
    Session session(Edition::Base);
    session.assignObjectDescription();
    checks.check(session.lock.take() == LockWatch::walks(0),
                 "reading \"ObjectDescription\" took no lock");
    session.check(checks, "GetPlayerNameByObjId", {3.0}, nameResult(0), 1);
    return checks.exitCode();
}

// Every id function before "ObjectDescription" was assigned, and while the GameObjects
// global holds null.
void checkStateErrors(ScenarioChecks& checks, Session& session, const std::string& expected) {
    lua_State* L = session.L();
    session.check(checks, "GetPlayerNameByObjId", {3.0}, expected, 0);
    session.check(checks, "GetPlayerNameByObjId", {std::string("12")}, expected, 0);
    session.check(checks, "GetPlayerNameByObjId", {}, expected, 0);
    session.check(checks, "SetWorldBuilderThisPlayer", {3.0}, expected, 0);
    session.check(checks, "GetGameObjectAddressByObjId", {3.0}, expected, 0);
    session.check(checks, "ReadAllObjIds", {newTable(L)}, expected, 0);
}

void checkPlayerNames(ScenarioChecks& checks, Session& session) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    session.check(checks, "GetPlayerNameByObjId", {3.0}, nameResult(0), 1);
    session.check(checks, "GetPlayerNameByObjId", {11.0}, nameResult(0), 1);
    session.check(checks, "GetPlayerNameByObjId", {7.0}, nameResult(1), 1);
    session.check(checks, "GetPlayerNameByObjId", {-1.0}, nameResult(3), 1);
    session.check(checks, "GetPlayerNameByObjId", {4294967295.0}, nameResult(3), 1);
    session.check(checks, "GetPlayerNameByObjId", {4294967296.0 + 3}, nameResult(0), 1);
    session.check(checks, "GetPlayerNameByObjId", {12.0},
                  R"((nil, "Error: Player name is null"))", 1);
    session.check(checks, "GetPlayerNameByObjId", {5.0}, R"((nil, "Error: Player is null"))", 1);
    session.check(checks, "GetPlayerNameByObjId", {2.0}, kNotFound, 1);   // an empty bucket
    session.check(checks, "GetPlayerNameByObjId", {15.0}, kNotFound, 1);  // a whole chain
    session.check(checks, "GetPlayerNameByObjId", {nan}, kNotFound, 1);
    session.check(checks, "GetPlayerNameByObjId", {newTable(session.L())}, kNotFound, 1);
    session.check(checks, "GetPlayerNameByObjId", {std::string("12")}, kInvalidId, 0);
    // Its nil, pushed before the lookup, is what the lookup then finds as argument 1.
    session.check(checks, "GetPlayerNameByObjId", {}, kInvalidId, 0);
}

void checkAddresses(ScenarioChecks& checks, Session& session) {
    session.check(checks, "GetGameObjectAddressByObjId", {11.0},
                  addressResult(session.world.object(11)), 1);
    session.check(checks, "GetGameObjectAddressByObjId", {-1.0},
                  addressResult(session.world.object(0xFFFFFFFF)), 1);
    session.check(checks, "GetGameObjectAddressByObjId", {2.0}, kNotFound, 1);
    session.check(checks, "GetGameObjectAddressByObjId", {std::string("11")}, kInvalidId, 0);
    session.check(checks, "GetGameObjectAddressByObjId", {}, R"((nil, "Error: No argument"))",
                  0);
}

// UseObjId's result must be the very table it was given.
void checkUseObjId(ScenarioChecks& checks, Session& session, HostLua::Table* table, double id,
                   uint32_t tag) {
    const auto results = callGlobal(session.L(), "UseObjId", {table, id});
    checks.check(results.size() == 1 && results[0].tag == HostLua::kTable &&
                     results[0].table == table && table->objectId == tag,
                 "UseObjId(t, " + std::to_string(static_cast<long long>(id)) +
                     ") gives t, tagged " + std::to_string(tag));
    checks.check(session.lock.take() == LockWatch::walks(0), "UseObjId took no lock");
}

void checkTaggedTables(ScenarioChecks& checks, Session& session) {
    lua_State* L = session.L();
    HostLua::Table* five = newTable(L);
    checkUseObjId(checks, session, five, 5, 5);
    session.check(checks, "GetGameObjectAddressByObjId", {five},
                  addressResult(session.world.object(5)), 1);
    session.check(checks, "UseObjId", {five, 6.0},
                  R"((nil, "Invalid argument: this table already has id"))", 0);

    HostLua::Table* zero = newTable(L);
    checkUseObjId(checks, session, zero, 0, 0);
    checkUseObjId(checks, session, zero, 7, 7);
    session.check(checks, "GetPlayerNameByObjId", {zero}, nameResult(1), 1);

    HostLua::Table* minusOne = newTable(L);
    checkUseObjId(checks, session, minusOne, -1, 0xFFFFFFFF);
    session.check(checks, "GetPlayerNameByObjId", {minusOne}, nameResult(3), 1);

    HostLua::Table* refused = newTable(L);
    session.check(checks, "UseObjId", {refused, 4294967295.0}, kInvalidUseId, 0);
    session.check(checks, "UseObjId", {refused, std::numeric_limits<double>::quiet_NaN()},
                  kInvalidUseId, 0);
    session.check(checks, "UseObjId", {refused}, kMustBeTable, 0);
    session.check(checks, "UseObjId", {refused, 1.0, 2.0}, kMustBeTable, 0);
    session.check(checks, "UseObjId", {5.0, 1.0}, kMustBeTable, 0);
    checks.check(refused->objectId == 0, "the refused table stays untagged");
    // The id goes through the game's tonumber, which reads a numeric text.
    const auto results = callGlobal(L, "UseObjId", {refused, std::string("11")});
    checks.check(results.size() == 1 && refused->objectId == 11 &&
                     session.lock.take() == LockWatch::walks(0),
                 "UseObjId(t, \"11\") tags t with 11");
}

// The ids, in order, that a table holds.
std::string idsOf(const HostLua::Table* table) {
    std::string text;
    for (const HostLua::Value& value : table->array) {
        if (!text.empty()) text += ' ';
        text += describe(value);
    }
    return text;
}

void checkReadAllObjIds(ScenarioChecks& checks, Session& session) {
    const std::string allIds = "3 5 7 11 12 4294967295";
    lua_State* L = session.L();
    HostLua::Table* empty = newTable(L);
    session.check(checks, "ReadAllObjIds", {empty}, "(6)", 1);
    checks.check(idsOf(empty) == allIds,
                 "the empty table holds the ids ascending: " + idsOf(empty));

    HostLua::Table* two = newTable(L);
    HostLua::Value value;
    value.tag = HostLua::kNumber;
    for (double number : {100.0, 200.0}) {
        value.number = number;
        two->array.push_back(value);
    }
    session.check(checks, "ReadAllObjIds", {two}, "(6)", 1);
    checks.check(idsOf(two) == "100 200 " + allIds,
                 "a table of two gets the ids at positions 3 to 8: " + idsOf(two));

    session.check(checks, "ReadAllObjIds", {}, kMustBeTable, 0);
    session.check(checks, "ReadAllObjIds", {newTable(L), 1.0}, kMustBeTable, 0);
    session.check(checks, "ReadAllObjIds", {5.0}, kMustBeTable, 0);
}

void checkThisPlayer(ScenarioChecks& checks, Session& session) {
    GameWorld& world = session.world;
    const auto checkSlot = [&](uint32_t expected, const std::string& what) {
        checks.check(world.thisPlayer() == expected && world.otherEditionThisPlayer() ==
                                                           kDecoyThisPlayer,
                     "the edition's this-player slot holds " + what);
    };
    const uint32_t first = addressOf(world.player(0));
    session.check(checks, "SetWorldBuilderThisPlayer", {std::string("PlayerPointer:1a2B")},
                  playerPointerResult(0), 0);
    checkSlot(0x1A2B, "0x1A2B");
    session.check(checks, "SetWorldBuilderThisPlayer", {3.0}, playerPointerResult(0x1A2B), 1);
    checkSlot(first, "the owner of object 3");
    session.check(checks, "SetWorldBuilderThisPlayer", {std::string("PlayerPointer:1000")},
                  playerPointerResult(first), 0);
    for (const char* text : {"PlayerPointer:0x10", "PlayerPointer:", "PlayerPointer:123456789"}) {
        session.check(checks, "SetWorldBuilderThisPlayer", {std::string(text)}, kInvalidId, 0);
    }
    session.check(checks, "SetWorldBuilderThisPlayer", {5.0},
                  R"((nil, "Error: Player is null"))", 1);
    checkSlot(0x1000, "0x1000 after the refused arguments");
    HostLua::Table* seven = newTable(session.L());
    seven->objectId = 7;
    session.check(checks, "SetWorldBuilderThisPlayer", {seven}, playerPointerResult(0x1000), 1);
    checkSlot(addressOf(world.player(1)), "the owner of object 7");

    void* const holder = g_worldBuilderGlobal;
    g_worldBuilderGlobal = nullptr;  // outside a loaded map
    session.check(checks, "SetWorldBuilderThisPlayer", {std::string("PlayerPointer:10")},
                  R"((nil, "Error: WorldBuilder is null"))", 0);
    g_worldBuilderGlobal = holder;
}

// The map as the game may hold it: without buckets, and without a manager.
void checkEmptyGame(ScenarioChecks& checks, Session& session) {
    GameObjectsManager* const manager = session.world.manager();
    manager->bucketCount = 0;
    session.check(checks, "GetPlayerNameByObjId", {3.0}, kNotFound, 1);
    session.check(checks, "ReadAllObjIds", {newTable(session.L())}, "(0)", 1);
    manager->bucketCount = kWorldBucketCount;

    g_gameObjects = nullptr;
    checkStateErrors(checks, session, kObjectsNull);
    g_gameObjects = manager;
}

// The animation script's current object is one of the world's: both libraries agree on it.
void checkAnimationObject(ScenarioChecks& checks, Session& session) {
    AnimationContextChain chain;
    chain.setCurrentObject(session.world.object(11));
    for (const auto& [name, function] : kAnimationLuaFunctions) {
        assignGlobalFunction(session.L(), name, function);
    }
    session.check(checks, "AnimationLuaGetCurrentGameObjectId", {}, "(11)", 0);
    session.check(checks, "AnimationLuaGetCurrentGameObjectAddress", {},
                  addressResult(session.world.object(11)), 0);
}

// Every function of the game-object library from scripts, in one edition.
int objectLibrary(ScenarioChecks& checks, Edition edition) {
    const bool expansion = edition == Edition::Expansion;
    const char* const customData =
        expansion ? R"({"cache": null, "luaPluginData": [{"name": "KV9RudiVeruvPlugin"}], "isTarnveil": true})"
                  : R"({"cache": null, "luaPluginData": [{"name": "KV9RudiVeruvPlugin"}], "isTarnveil": false})";
    if (!startPlugin(checks, expansion ? "object_library_expansion" : "object_library_base",
                     customData)) {
        return checks.exitCode();
    }
    Session session(edition);
    for (const char* name : {"GetPlayerNameByObjId", "SetWorldBuilderThisPlayer",
                             "GetGameObjectAddressByObjId", "ReadAllObjIds", "UseObjId"}) {
        checks.check(hasGlobal(session.L(), name, HostLua::kFunction),
                     std::string("\"GetFrame\" registered ") + name);
    }
    checkStateErrors(checks, session, kNotInitialized);

    session.assignObjectDescription();
    checks.check(session.lock.take() == LockWatch::walks(0),
                 "reading \"ObjectDescription\" took no lock");
    // The game's own walk takes the same lock.
    session.check(checks, "ObjectDescription", {11.0}, quoted("Watchtower"), 1);
    session.check(checks, "ObjectDescription", {2.0}, "(nil)", 1);

    checkPlayerNames(checks, session);
    checkAddresses(checks, session);
    checkTaggedTables(checks, session);
    checkReadAllObjIds(checks, session);
    checkEmptyGame(checks, session);
    checkAnimationObject(checks, session);
    checkThisPlayer(checks, session);
    return checks.exitCode();
}

}  // namespace

void assignBrokenObjectDescription(const std::wstring& kind, lua_State* L) {
    if (kind == L"object_null") {
        // A script gives the global a number: no native function to decode.
        assignGlobalNumber(L, "ObjectDescription", 1);
    } else if (kind == L"object_other_sync") {
        assignGlobalFunction(L, "ObjectDescription", host_object_description_other_sync);
    } else if (kind == L"object_unlocked") {
        assignGlobalFunction(L, "ObjectDescription", host_object_description_unlocked);
    }
}

const std::vector<Scenario>& worldScenarios() {
    static const std::vector<Scenario> scenarios = {
        {"object_road", objectRoad},
        {"object_library_base",
         [](ScenarioChecks& checks) { return objectLibrary(checks, Edition::Base); }},
        {"object_library_expansion",
         [](ScenarioChecks& checks) { return objectLibrary(checks, Edition::Expansion); }},
        {"object_scan_null",
         [](ScenarioChecks& checks) {
             return fatalScan(checks, L"object_null", 1,
                              "Orrin|retrieved ObjectDescription is null!");
         }},
        {"object_scan_other_sync",
         [](ScenarioChecks& checks) {
             return fatalScan(checks, L"object_other_sync", 1,
                              "Orrin|Failed to verify sync pointer");
         }},
        {"object_scan_unlocked",
         [](ScenarioChecks& checks) {
             return fatalScan(checks, L"object_unlocked", 1, "Orrin|Decoder m_current >= m_end");
         }},
    };
    return scenarios;
}

}  // namespace HostGame
