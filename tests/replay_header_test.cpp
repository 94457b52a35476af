#include "rudiveruv/replay_header.h"

#include "hostgame/game/game_replay_header.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <utility>

using namespace Zo::KV9RudiVeruv;
using HostGame::ReplayHeader;
using HostGame::replayBytes;
using HostGame::replayHeaderBytes;
using HostGame::replayHeaderOfGameMode;
using HostGame::replayHeaderText;
using namespace std::string_literals;

namespace {

struct ParseCase {
    const char* name;
    std::string bytes;
    int gameMode;
    bool parsed;
};

ReplayHeader withSlots(std::string slots, char slotIndex = 0) {
    ReplayHeader header;
    header.slots = std::move(slots);
    header.slotIndex = slotIndex;
    return header;
}

std::string closedSlots(int count) {
    std::string slots;
    for (int i = 0; i < count; ++i) slots += ":X";
    return slots;
}

ReplayHeader withGameType(std::string gameType) {
    ReplayHeader header;
    header.gameType = std::move(gameType);
    return header;
}

template <std::size_t N>
void expectParseResults(const ParseCase (&cases)[N]) {
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.name);
        int gameMode = 0;
        EXPECT_EQ(parseReplayHeader(c.bytes, gameMode), c.parsed);
        EXPECT_EQ(gameMode, c.gameMode);
    }
}

TEST(ReplayHeader, GameModeFromTheGameTypeAndTheFirstSlotField) {
    const ParseCase cases[] = {
        {"game type 0, first slot field 0", replayHeaderBytes({}), 1, true},
        {"game type 0, first slot field 1", replayHeaderBytes(replayHeaderOfGameMode(2)), 2, true},
        {"game type 1", replayHeaderBytes(withGameType("1")), 3, true},
        {"any game type but 0", replayHeaderBytes(withGameType("x")), 3, true},
        {"only the game type's first character counts", replayHeaderBytes(withGameType("01")),
         1, true},
        {"the first ',' after the list's start may lie past the list",
         replayBytes("M=Map;GT=0;S=X:X:X:X:X:X;\0;P=3,1;"s), 2, true},
        {";S= before ;GT=", replayBytes("M=Map;S=X:X:X:X:X:X;\0;GT=1;"s), 3, true},
        {"a ',' before the slot list is not the one read",
         replayBytes("M=Coast,1;GT=0;S=" + std::string(HostGame::kSixSlots) + ";\0;"s), 1, true},
    };
    expectParseResults(cases);
}

TEST(ReplayHeader, MarkerAndTextPosition) {
    const std::string text = replayHeaderText({});
    ReplayHeader afterBytes;
    afterBytes.lead = "RIFF\x08\0\0\0WDX"s;
    ReplayHeader afterAnotherMarker;
    afterAnotherMarker.lead = replayBytes("garbage");
    std::string otherMarker = replayBytes(text);
    otherMarker[0] = '\x09';
    const ParseCase cases[] = {
        {"bytes and a partial marker before the marker", replayHeaderBytes(afterBytes), 1, true},
        {"the first marker counts", replayHeaderBytes(afterAnotherMarker), 0, false},
        {"no marker", text, 0, false},
        {"a marker whose value is not 8", otherMarker, 0, false},
        {"nothing at the text position", replayBytes(""), 0, false},
        {"text one byte late", replayBytes("x" + text), 0, false},
        {"text not opened by M=", replayBytes("N" + text.substr(1)), 0, false},
    };
    expectParseResults(cases);
}

TEST(ReplayHeader, MalformedTextGivesUpBeforeTheGameMode) {
    const std::string slots(HostGame::kSixSlots);
    const ParseCase cases[] = {
        {"text shorter than six bytes", replayBytes("M=ab;"), 0, false},
        {"no ';' from the sixth byte on", replayBytes("M=;;;GT1S2"), 0, false},
        {"no ;GT=", replayBytes("M=Map;S=" + slots + ";\0;"s), 0, false},
        {";GT= at the very end", replayBytes("M=Map;S=" + slots + ";\0;GT="s), 0, false},
        {"no ;S=", replayBytes("M=Map;GT=0;P=" + slots + ";\0;"s), 0, false},
        {"slot list not closed", replayBytes("M=Map;GT=0;S=" + slots), 0, false},
        {"game type 0 and no ',' after the list's start",
         replayHeaderBytes(withSlots("X:X:X:X:X:X")), 0, false},
        {"game type 0 and ',' as the last byte", replayBytes("M=Map;GT=0;S=X;,"), 0, false},
    };
    expectParseResults(cases);
}

TEST(ReplayHeader, SlotChecksFailAfterTheGameModeIsKnown) {
    const std::string slots(HostGame::kSixSlots);
    const ParseCase cases[] = {
        {"no slot index byte", replayBytes("M=Map;GT=1;S=" + slots + ";"), 3, false},
        {"slot index 0xFF is -1", replayHeaderBytes(withSlots(slots, '\xFF')), 1, false},
        {"slot index 0xFF is -1, even with 256 slots",
         replayHeaderBytes(withSlots(slots + closedSlots(250), '\xFF')), 1, false},
        {"slot index equal to the slot count", replayHeaderBytes(withSlots(slots, 6)), 1, false},
        {"slot index is a raw byte, not a digit", replayHeaderBytes(withSlots(slots, '0')), 1,
         false},
        {"own slot with an empty first field",
         replayHeaderBytes(withSlots(",0,1:C:X:X:X:X")), 1, false},
        {"own human slot with five fields",
         replayHeaderBytes(withSlots("H,0,1,0,Ana:C:X:X:X:X")), 1, false},
        {"another human slot among the first six with four fields",
         replayHeaderBytes(withSlots("H,0,1,0,Ana,0:H,1,2,1:X:X:X:X")), 1, false},
        {"fewer than six slots", replayHeaderBytes(withSlots("H,0,1,0,Ana,0:C:X:X:X")), 1,
         false},
        {"own slot past the first six",
         replayHeaderBytes(withSlots(slots + ":H,0,2,0,Bo,0", 6)), 1, true},
        {"an incomplete human slot past the first six is not checked",
         replayHeaderBytes(withSlots(slots + ":H,0")), 1, true},
    };
    expectParseResults(cases);
}

TEST(ReplayHeader, RunsOfSeparatorsCountAsOne) {
    const ParseCase cases[] = {
        {"'::' inside the list", replayHeaderBytes(withSlots("H,0,1,0,Ana,0::C:X:X:X:X")), 1,
         true},
        {"'::' leaves five slots", replayHeaderBytes(withSlots("H,0,1,0,Ana,0::C:X:X:X")), 1,
         false},
        {"',,' leaves a human slot five fields",
         replayHeaderBytes(withSlots("H,0,,1,Ana,0:C:X:X:X:X")), 1, false},
        {"',,' inside a complete human slot",
         replayHeaderBytes(withSlots("H,0,,1,Ana,0,0:C:X:X:X:X")), 1, true},
        {"a leading ':' still gives an empty first slot",
         replayHeaderBytes(withSlots(":H,0,1,0,Ana,0:C:X:X:X:X", 1)), 1, false},
        {"a trailing ':' still gives an empty last slot",
         replayHeaderBytes(withSlots("H,0,1,0,Ana,0:C:X:X:X:")), 1, false},
    };
    expectParseResults(cases);
}

// The capture's fields, read under its lock.

}  // namespace
