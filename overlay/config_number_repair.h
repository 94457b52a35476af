#pragma once

// The numbers of a configuration text that no float can hold. The writer gives NaN and infinity
// as null, and a file edited by hand may hold a number beyond a float or no number at all where
// one belongs: each such value is read as 0, so that one bad value costs no profile. Keyframes
// whose times then coincide (or did in the file) are kept once, the first one.

#include <nlohmann/json_fwd.hpp>

#include <cstddef>
#include <string>

namespace Zo::KV9RudiVeruv {

struct RepairedNumbers {
    std::size_t nonFinite = 0;   // null, or a number beyond a float
    std::size_t notNumbers = 0;  // a string, array or object
    std::string first;           // JSON pointer of the first one, "/cameraControls/0/..."
};

struct DroppedKeyframes {
    std::size_t count = 0;
    std::string first;  // JSON pointer of the first pair dropped
};

// Sets 0 at every place of `config` where a profile keeps a float (a keyframe's time and its
// six values, an event's two times) and the value is neither a boolean (read as 1 or 0) nor a
// number that is finite as a float. Places that are missing or inside a value of the wrong type
// are left for the records' readers to report.
RepairedNumbers repairNonFiniteNumbers(nlohmann::json& config);

// The "animations" pairs that the profiles' reader dropped because an earlier pair of the same
// profile has the same time as a float. Only for a text that the reader took whole.
DroppedKeyframes findDroppedKeyframes(const nlohmann::json& config);

}  // namespace Zo::KV9RudiVeruv
