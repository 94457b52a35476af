#include "bridge/plugin_message_channel.h"

#include <cstddef>

namespace Tovek::KV9Lua {

PluginMessageChannel& pluginMessageChannel() {
    static PluginMessageChannel channel;
    return channel;
}

// Both walks fix their count before calling out: a callback may publish or subscribe on the
// same thread (the mutex is recursive), and each subscriber still sees each message once.
void publishPluginMessage(const char* text, uint32_t value) {
    if (text == nullptr) return;  // no text, no message
    PluginMessageChannel& channel = pluginMessageChannel();
    std::lock_guard lock(channel.mutex);
    channel.history.emplace_back(text, value);
    auto subscriber = channel.subscribers.begin();
    for (std::size_t count = channel.subscribers.size(); count > 0; --count, ++subscriber) {
        (*subscriber)(text, value);
    }
}

void subscribePluginMessages(PluginMessageCallback callback) {
    if (callback == nullptr) return;  // nothing that could be called
    PluginMessageChannel& channel = pluginMessageChannel();
    std::lock_guard lock(channel.mutex);
    channel.subscribers.push_back(callback);
    auto message = channel.history.begin();
    for (std::size_t count = channel.history.size(); count > 0; --count, ++message) {
        callback(message->first.c_str(), message->second);
    }
}

}  // namespace Tovek::KV9Lua
