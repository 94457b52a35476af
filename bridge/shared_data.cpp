#include "bridge/shared_data.h"

#include "bridge/lua40_layout.h"

namespace Tovek::KV9Lua {

std::unique_ptr<SharedDataContext> g_sharedDataContext;

SharedDataStore::SharedDataStore() : values(8) { values.max_load_factor(1.0f); }

std::size_t SharedDataStore::erase(const std::string& key) {
    std::lock_guard lock(mutex);
    return values.erase(key);
}

std::optional<LuaValue> SharedDataStore::find(const std::string& key) {
    std::lock_guard lock(mutex);
    const auto found = values.find(key);
    if (found == values.end()) return std::nullopt;
    return found->second;
}

void SharedDataStore::clear() {
    std::lock_guard lock(mutex);
    values.clear();
}

std::optional<std::string> SharedDataContext::readStringArgument(LuaState* L, int index) const {
    const char* text = api.tostring(L, index);
    if (text == nullptr) return std::nullopt;
    return std::string(text, api.strlen(L, index));
}

int SharedDataContext::getSharedData(LuaState* L) {
    const int n = api.gettop(L);
    api.pushnil(L);
    if (n < 1) return 1;
    const auto key = readStringArgument(L, 1);
    if (!key) return 1;
    const std::optional<LuaValue> value = store->find(*key);
    if (!value) return 1;
    api.settop(L, n);
    if (const double* number = std::get_if<double>(&*value)) {
        api.pushnumber(L, *number);
    } else {
        api.pushstring(L, std::get<std::string>(*value).c_str());
    }
    return 1;
}

int SharedDataContext::setSharedData(LuaState* L) {
    const int n = api.gettop(L);
    api.pushnil(L);
    if (n < 2) return 1;
    const auto key = readStringArgument(L, 1);
    if (!key) return 1;
    double result = 1.0;
    switch (api.type(L, 2)) {
        case kLuaNilTag:
            result = static_cast<double>(store->erase(*key));
            break;
        case kLuaNumberTag: {
            const double value = api.tonumber(L, 2);
            std::lock_guard lock(store->mutex);
            store->values.insert_or_assign(*key, value);
            break;
        }
        case kLuaStringTag: {
            auto value = readStringArgument(L, 2);
            if (!value) return 1;
            std::lock_guard lock(store->mutex);
            store->values.insert_or_assign(*key, std::move(*value));
            break;
        }
        default:  // tables, functions, userdata: nothing is stored or erased
            break;
    }
    api.settop(L, n);
    api.pushnumber(L, result);
    return 1;
}

int GetSharedData(LuaState* L) { return g_sharedDataContext->getSharedData(L); }
int SetSharedData(LuaState* L) { return g_sharedDataContext->setSharedData(L); }

}  // namespace Tovek::KV9Lua
