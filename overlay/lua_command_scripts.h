#pragma once

// The Lua texts of the three commands of the Lua functions window, built into the program from
// overlay/lua/*.lua. Each is held scrambled (each byte plus 7, modulo 256) and NUL-terminated,
// and ends in the name of a function: the argument list appended to it calls that function.

namespace Zo::KV9RudiVeruv {

extern const char kUnitColorScript[];  // (color, whichUnits, whoseUnits)
extern const char kUnitTeamScript[];   // (teamId, aiControl, whichUnits, whoseUnits)
extern const char kGameInputScript[];  // (on)

}  // namespace Zo::KV9RudiVeruv
