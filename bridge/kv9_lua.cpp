#include "bridge/kv9_lua.h"

#include "bridge/base_lib_locator.h"
#include "bridge/code_scan.h"
#include "bridge/pointers_cache.h"

#include <array>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <unordered_map>

namespace Tovek::KV9Lua {

namespace {

using Finder = std::function<void(unsigned int)>;
using ScanPrimitive = unsigned (*)(const ZydisDecoder&, unsigned);

// A field that is still 0 takes the value; an equal value is kept; any other one is an error.
template <typename F>
void assignField(F*& field, uint32_t found) {
    F* value = reinterpret_cast<F*>(found);
    if (field == nullptr) {
        field = value;
    } else if (field != value) {
        throw std::runtime_error("contradicting values");
    }
}

template <typename F>
Finder bindAssign(F*& field, const ZydisDecoder& decoder, ScanPrimitive primitive) {
    return [&field, &decoder, primitive](unsigned int function) {
        assignField(field, primitive(decoder, function));
    };
}

std::unordered_map<std::string, Finder> makeFinders(KV9Lua& api, const ZydisDecoder& decoder) {
    std::unordered_map<std::string, Finder> finders;
    finders["setglobal"] = bindAssign(api.setglobal, decoder, findLastCallBeforeRet);
    finders["dofile"] = bindAssign(api.gettop, decoder, findFirstCall);
    finders["type"] = bindAssign(api.pushstring, decoder, findLastCallBeforeRet);
    finders["getglobal"] = [&api, &decoder](unsigned f) {
        const uint32_t checkString = findFirstCall(decoder, f);
        assignField(api.tostring, findFirstCall(decoder, checkString));
        assignField(api.strlen, findLastCallBeforeRet(decoder, checkString));
        assignField(api.getglobal, findLastCallBeforeRet(decoder, f));
    };
    finders["copytagmethods"] = [&api, &decoder](unsigned f) {
        assignField(api.tonumber, findFirstCall(decoder, findFirstCall(decoder, f)));
        assignField(api.pushnumber, findLastCallBeforeRet(decoder, f));
    };
    finders["settag"] = [&api, &decoder](unsigned f) {
        assignField(api.pushvalue, findNthCall(decoder, f, 1, 0));
    };
    finders["assert"] = [&api, &decoder](unsigned f) {
        assignField(api.type, findFirstCall(decoder, findFirstCall(decoder, f)));
    };
    finders["next"] = [&api, &decoder](unsigned f) {
        assignField(api.settop, findNthCall(decoder, f, 1, 0));
        assignField(api.pushnil, findNthCall(decoder, f, 3, 1));
    };
    finders["sort"] = [&api, &decoder](unsigned f) {
        assignField(api.settop, findNthCall(decoder, f, 4, 0));
    };
    finders["foreach"] = [&api, &decoder](unsigned f) {
        assignField(api.pushnil, findNthCall(decoder, f, 2, 0));
    };
    return finders;
}

// A cached address is used only when it passes the test that found it: the file may be forged
// or damaged in a way its checksums cannot show. One that fails is dropped, so that the search
// runs as if it were missing.
template <typename Test>
uint32_t verifiedCacheEntry(PointersCache& cache, uint32_t id, Test passes) {
    const auto address = static_cast<uint32_t>(cache.find(id));
    if (address == 0 || passes(address)) return address;
    cache.set(id, 0);
    return 0;
}

}  // namespace

KV9Lua KV9Lua::initialize(PointersCache& cache) {
    KV9Lua api{};
    uint32_t baseLib = verifiedCacheEntry(cache, 0, [&cache](uint32_t array) {
        return isBaseLibArray(cache.module(), array);
    });
    if (baseLib == 0) {
        baseLib = locateBaseLibEntries();
        cache.set(0, baseLib);
    }
    api.baseLibEntries = reinterpret_cast<const LuaReg*>(baseLib);

    std::array<LuaReg, kBaseLibEntryCount> records;
    std::memcpy(records.data(), api.baseLibEntries, sizeof records);

    const ZydisDecoder decoder = makeLegacy32Decoder();
    const auto finders = makeFinders(api, decoder);
    for (const LuaReg& record : records) {
        const auto finder = finders.find(record.name);
        if (finder != finders.end()) {
            finder->second(static_cast<unsigned>(reinterpret_cast<uintptr_t>(record.func)));
        }
    }

    uint32_t pushcclosure = verifiedCacheEntry(cache, 1, [&cache](uint32_t function) {
        return isGameCode(cache.module(), function);
    });
    if (pushcclosure == 0) {
        uint8_t pattern[7] = {0x6A, 0x21, 0x68};
        std::memcpy(pattern + 3, &baseLib, 4);
        pushcclosure = findLuaOpenlib(decoder, pattern, sizeof pattern);
        cache.set(1, pushcclosure);
    }
    api.pushcclosure = reinterpret_cast<decltype(api.pushcclosure)>(pushcclosure);
    return api;
}

}  // namespace Tovek::KV9Lua
