#pragma once

// The stand-in game's Lua 4.0 runtime: just the memory layout and the API functions the
// plug-in reads and calls, with the game's calling forms (cdecl).

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

struct lua_State;
using lua_CFunction = int (*)(lua_State*);

namespace HostLua {

// Lua 4.0 type tags.
enum Tag : int32_t {
    kNone = -1,
    kUserdata = 0,
    kNil = 1,
    kNumber = 2,
    kString = 3,
    kTable = 4,
    kFunction = 5,
};

struct String {
    std::string text;
};

struct Closure {
    lua_CFunction function;  // byte 0
    void* next;
    int32_t mark;
    int16_t isC;  // byte 12: 1 for a native function
    int16_t upvalueCount;
};

struct Table;

// A 16-byte stack slot: tag at byte 0, value at byte 8.
struct Value {
    int32_t tag = kNil;
    int32_t padding = 0;
    union {
        double number;
        String* string;
        Closure* closure;
        Table* table;
        void* pointer = nullptr;
    };
};
static_assert(sizeof(Value) == 16);

struct Table {
    void* node;
    void* next;
    int32_t size;
    uint32_t objectId;  // byte 12: 0 = untagged
    std::vector<Value> array;
};


}  // namespace HostLua

struct lua_State {
    HostLua::Value* top;  // word 0: first free slot
    HostLua::Value* stack;
    HostLua::Value* stackLast;
    int32_t stackSize;
    HostLua::Value* base;  // byte 16: the current call frame

    std::unordered_map<std::string, HostLua::Value> globals;
    std::vector<std::unique_ptr<HostLua::String>> strings;
    std::vector<std::unique_ptr<HostLua::Closure>> closures;
    std::vector<std::unique_ptr<HostLua::Table>> tables;
    HostLua::Value slots[1024];
    std::vector<std::string> chunks;  // every chunk given to "dostring", in order
    std::vector<FILE*> openFiles;     // closed with the state, as the game's Lua does
    // The thread that made the state runs its scripts; "dostring" counts the chunks it was
    // given on any other.
    std::thread::id ownerThread = std::this_thread::get_id();
    int offThreadChunks = 0;
    // A game that debugs its scripts reports each chunk "dostring" runs (its debug module's
    // AppendMessage, say); none by default.
    void (*reportChunk)(const char* text) = nullptr;

    ~lua_State();
    // A closed state's memory goes back to the system, so a use after the close faults.
    static void* operator new(std::size_t size);
    static void operator delete(void* memory);
};

extern "C" {
int lua_gettop(lua_State* L);
void lua_settop(lua_State* L, int index);
double lua_tonumber(lua_State* L, int index);
const char* lua_tostring(lua_State* L, int index);
size_t lua_strlen(lua_State* L, int index);
// A jump on to luaV_Cclosure, which makes the closure (game_base_lib.S), as a compiler makes
// Lua 4.0's lua_pushcclosure.
void lua_pushcclosure(lua_State* L, lua_CFunction function, int upvalues);
void luaV_Cclosure(lua_State* L, lua_CFunction function, int upvalues);
void lua_pushnil(lua_State* L);
void lua_pushnumber(lua_State* L, double number);
void lua_pushstring(lua_State* L, const char* text);
void lua_pushvalue(lua_State* L, int index);
void lua_setglobal(lua_State* L, const char* name);
void lua_getglobal(lua_State* L, const char* name);
int lua_type(lua_State* L, int index);
// A second settop and pushnil, for a game whose base functions disagree.
void lua_settop_other(lua_State* L, int index);
void lua_pushnil_other(lua_State* L);
}

namespace HostLua {

// How many times the game's own lua_setglobal has run, for a test that must know that an
// assignment on another thread has happened.
extern std::atomic<int> g_setglobalCount;

std::unique_ptr<lua_State> newState();

// Calls a native function the way the game's interpreter does: the argumentCount values on top
// of the stack become the callee's frame. Its results replace them; returns their number.
int callNative(lua_State* L, lua_CFunction function, int argumentCount);

// Pushes a new empty table owned by the state.
Table* pushNewTable(lua_State* L);

// The game's "tinsert": appends argument 2 to the table at argument 1.
extern "C" int host_base_tinsert(lua_State* L);

}  // namespace HostLua
