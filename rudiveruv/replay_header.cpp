#include "rudiveruv/replay_header.h"

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Zo::KV9RudiVeruv {

namespace {

using namespace std::string_view_literals;

// A little-endian 32-bit 8, "WDX7RPL" and its NUL.
constexpr std::string_view kMarker = "\x08\0\0\0WDX7RPL\0"sv;
static_assert(kMarker.size() == 12);
// From the marker's start to the text, which opens with "M=".
constexpr std::size_t kTextOffset = 0x49;
constexpr std::size_t kMinTextSize = 6;
constexpr std::size_t kCheckedSlots = 6;
constexpr std::size_t kHumanSlotFields = 6;

// Runs of separators count as one; a leading or trailing one still gives an empty part.
std::vector<std::string_view> splitAt(std::string_view text, const char* separators) {
    std::vector<std::string_view> parts;
    boost::algorithm::split(parts, text, boost::algorithm::is_any_of(separators),
                            boost::algorithm::token_compress_on);
    return parts;
}

// A human player's slot ("H...") carries all of its fields.
bool humanSlotComplete(std::string_view slot) {
    return !slot.starts_with('H') || splitAt(slot, ",").size() >= kHumanSlotFields;
}

}  // namespace

bool parseReplayHeader(std::string_view bytes, int& gameMode) {
    constexpr auto npos = std::string_view::npos;
    const std::size_t marker = bytes.find(kMarker);
    if (marker == npos || marker + kTextOffset >= bytes.size()) return false;
    const std::string_view text = bytes.substr(marker + kTextOffset);
    if (!text.starts_with("M=") || text.size() < kMinTextSize || text.find(';', 5) == npos) {
        return false;
    }

    const std::size_t gameType = text.find(";GT=");
    if (gameType == npos || gameType + 4 >= text.size()) return false;
    const std::size_t slotsTag = text.find(";S=");
    if (slotsTag == npos) return false;
    const std::size_t slotsBegin = slotsTag + 3;
    const std::size_t slotsEnd = text.find(';', slotsBegin);
    if (slotsEnd == npos) return false;

    if (text[gameType + 4] == '0') {
        const std::size_t comma = text.find(',', slotsBegin);
        if (comma == npos || comma + 1 >= text.size()) return false;
        gameMode = text[comma + 1] == '0' ? 1 : 2;
    } else {
        gameMode = 3;
    }

    // The byte after the slot list is the recording player's slot, a raw signed byte.
    if (slotsEnd + 1 >= text.size()) return false;
    const auto slotIndex = static_cast<int8_t>(text[slotsEnd + 1]);
    const std::vector<std::string_view> slots =
        splitAt(text.substr(slotsBegin, slotsEnd - slotsBegin), ":");
    // Unsigned on purpose: a negative index fails like one past the end.
    if (static_cast<std::size_t>(slotIndex) >= slots.size()) return false;
    const std::string_view ownSlot = slots[static_cast<std::size_t>(slotIndex)];
    // Its first field, the text before the first ",", must not be empty.
    if (ownSlot.empty() || ownSlot.front() == ',' || !humanSlotComplete(ownSlot)) return false;

    if (slots.size() < kCheckedSlots) return false;
    for (std::size_t i = 0; i < kCheckedSlots; ++i) {
        if (slots[i].empty() || !humanSlotComplete(slots[i])) return false;
    }
    return true;
}

}  // namespace Zo::KV9RudiVeruv
