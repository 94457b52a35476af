#include "bridge/plugin_message_channel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Tovek::KV9Lua;

namespace {

// The channel is one per process and keeps every message: this one test walks it in order.
std::vector<std::string> g_seenByFirst;
std::vector<std::string> g_seenBySecond;
std::vector<std::string> g_seenByLate;

std::string entry(const char* text, uint32_t value) { return text + std::to_string(value); }

void lateSubscriber(const char* text, uint32_t value) { g_seenByLate.push_back(entry(text, value)); }

void firstSubscriber(const char* text, uint32_t value) {
    g_seenByFirst.push_back(entry(text, value));
    // Publishing from inside a delivery reaches everyone, this subscriber included, before
    // the outer delivery goes on; subscribing from inside replays the history to the newcomer.
    if (std::string(text) == "outer") publishPluginMessage("inner", 9);
    if (std::string(text) == "join") subscribePluginMessages(lateSubscriber);
}

void secondSubscriber(const char* text, uint32_t value) {
    g_seenBySecond.push_back(entry(text, value));
}

}  // namespace

TEST(PluginMessageChannel, ReplaysHistoryAndDeliversEachMessageOnce) {
    publishPluginMessage("a", 1);
    publishPluginMessage("b", 2);
    publishPluginMessage("c", 3);
    subscribePluginMessages(firstSubscriber);
    EXPECT_EQ(g_seenByFirst, (std::vector<std::string>{"a1", "b2", "c3"}));

    subscribePluginMessages(secondSubscriber);
    publishPluginMessage("outer", 4);
    EXPECT_EQ(g_seenByFirst, (std::vector<std::string>{"a1", "b2", "c3", "outer4", "inner9"}));
    EXPECT_EQ(g_seenBySecond, (std::vector<std::string>{"a1", "b2", "c3", "inner9", "outer4"}));

    publishPluginMessage("join", 5);
    // The late subscriber was added during the delivery of "join": its replay brought "join",
    // and the running delivery skipped it.
    EXPECT_EQ(g_seenByLate,
              (std::vector<std::string>{"a1", "b2", "c3", "outer4", "inner9", "join5"}));
    EXPECT_EQ(g_seenBySecond.back(), "join5");

    publishPluginMessage("d", 6);
    EXPECT_EQ(g_seenByLate.back(), "d6");
    EXPECT_EQ(g_seenByLate.size(), 7u);
    EXPECT_EQ(pluginMessageChannel().history.size(), 7u);

    // A null text is no message: nobody hears of it and the history does not keep it.
    EXPECT_NO_THROW(publishPluginMessage(nullptr, 7));
    EXPECT_EQ(g_seenByLate.size(), 7u);
    EXPECT_EQ(pluginMessageChannel().history.size(), 7u);

    // Nor is a null callback a subscriber: neither the replay nor a later message calls it.
    subscribePluginMessages(nullptr);
    EXPECT_EQ(pluginMessageChannel().subscribers.size(), 3u);
    publishPluginMessage("e", 8);
    EXPECT_EQ(g_seenByLate.back(), "e8");
    EXPECT_EQ(g_seenByFirst.back(), "e8");
}
