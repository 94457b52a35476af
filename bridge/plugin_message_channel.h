#pragma once

// The publish/subscribe channel between Lua plug-ins: every message is kept, and a new
// subscriber first receives all earlier ones.

#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <utility>

namespace Tovek::KV9Lua {

using PluginMessageCallback = void (*)(const char* text, uint32_t value);

struct PluginMessageChannel {
    std::recursive_mutex mutex;
    std::list<std::pair<std::string, uint32_t>> history;
    std::list<PluginMessageCallback> subscribers;
};

// The process's one channel, created on first use.
PluginMessageChannel& pluginMessageChannel();

// A null text is ignored.
void publishPluginMessage(const char* text, uint32_t value);
// A null callback is ignored.
void subscribePluginMessages(PluginMessageCallback callback);

}  // namespace Tovek::KV9Lua
