#include "hostgame/game/lua_runtime.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace HostLua {

std::atomic<int> g_setglobalCount{0};

namespace {

Value* slotAt(lua_State* L, int index) {
    return index > 0 ? L->base + (index - 1) : L->top + index;
}

bool valid(lua_State* L, int index) {
    if (index == 0) return false;
    const Value* slot = slotAt(L, index);
    return slot >= L->base && slot < L->top;
}

void push(lua_State* L, const Value& value) {
    if (L->top < L->stackLast) *L->top++ = value;
}

String* newString(lua_State* L, std::string text) {
    L->strings.push_back(std::make_unique<String>(String{std::move(text)}));
    return L->strings.back().get();
}

}  // namespace

std::unique_ptr<lua_State> newState() {
    auto L = std::make_unique<lua_State>();
    L->stack = L->slots;
    L->stackSize = static_cast<int32_t>(std::size(L->slots));
    L->stackLast = L->slots + L->stackSize;
    L->top = L->base = L->slots;
    return L;
}

int callNative(lua_State* L, lua_CFunction function, int argumentCount) {
    Value* const callerBase = L->base;
    Value* const frame = L->top - argumentCount;
    L->base = frame;
    const int results = function(L);
    std::copy(L->top - results, L->top, frame);
    L->top = frame + results;
    L->base = callerBase;
    return results;
}

Table* pushNewTable(lua_State* L) {
    L->tables.push_back(std::make_unique<Table>());
    Value value;
    value.tag = kTable;
    value.table = L->tables.back().get();
    push(L, value);
    return value.table;
}

extern "C" int host_base_tinsert(lua_State* L) {
    if (!valid(L, 1) || slotAt(L, 1)->tag != kTable || !valid(L, 2)) return 0;
    slotAt(L, 1)->table->array.push_back(*slotAt(L, 2));
    return 0;
}

}  // namespace HostLua

using namespace HostLua;

lua_State::~lua_State() {
    for (FILE* file : openFiles) std::fclose(file);
}

void* lua_State::operator new(std::size_t size) {
    void* const memory = VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (memory == nullptr) throw std::bad_alloc();
    return memory;
}

void lua_State::operator delete(void* memory) { VirtualFree(memory, 0, MEM_RELEASE); }

extern "C" {

int lua_gettop(lua_State* L) { return static_cast<int>(L->top - L->base); }

void lua_settop(lua_State* L, int index) {
    if (index >= 0) {
        Value* target = L->base + index;
        while (L->top < target) *L->top++ = Value{};
        L->top = target;
    } else {
        L->top += index + 1;
    }
}

void lua_settop_other(lua_State* L, int index) { lua_settop(L, index); }
void lua_pushnil_other(lua_State* L) { lua_pushnil(L); }

double lua_tonumber(lua_State* L, int index) {
    if (!valid(L, index)) return 0;
    const Value* slot = slotAt(L, index);
    if (slot->tag == kNumber) return slot->number;
    if (slot->tag == kString) return std::strtod(slot->string->text.c_str(), nullptr);
    return 0;
}

const char* lua_tostring(lua_State* L, int index) {
    if (!valid(L, index)) return nullptr;
    Value* slot = slotAt(L, index);
    if (slot->tag == kNumber) {  // Lua 4.0 converts the slot in place
        char text[32];
        std::snprintf(text, sizeof text, "%.16g", slot->number);
        slot->tag = kString;
        slot->string = newString(L, text);
    }
    return slot->tag == kString ? slot->string->text.c_str() : nullptr;
}

size_t lua_strlen(lua_State* L, int index) {
    return lua_tostring(L, index) ? slotAt(L, index)->string->text.size() : 0;
}

void luaV_Cclosure(lua_State* L, lua_CFunction function, int upvalues) {
    L->top -= upvalues;
    L->closures.push_back(std::make_unique<Closure>(Closure{function, nullptr, 0, 1, 0}));
    Value value;
    value.tag = kFunction;
    value.closure = L->closures.back().get();
    push(L, value);
}

void lua_pushnil(lua_State* L) { push(L, Value{}); }

void lua_pushnumber(lua_State* L, double number) {
    Value value;
    value.tag = kNumber;
    value.number = number;
    push(L, value);
}

void lua_pushstring(lua_State* L, const char* text) {
    if (text == nullptr) return lua_pushnil(L);
    Value value;
    value.tag = kString;
    value.string = newString(L, text);
    push(L, value);
}

void lua_pushvalue(lua_State* L, int index) {
    push(L, valid(L, index) ? *slotAt(L, index) : Value{});
}

void lua_setglobal(lua_State* L, const char* name) {
    L->globals[name] = *--L->top;
    ++g_setglobalCount;
}

void lua_getglobal(lua_State* L, const char* name) {
    const auto global = L->globals.find(name);
    push(L, global == L->globals.end() ? Value{} : global->second);
}

int lua_type(lua_State* L, int index) {
    return valid(L, index) ? slotAt(L, index)->tag : kNone;
}

}  // extern "C"
