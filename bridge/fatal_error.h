#pragma once

// The error box for failures on a game Lua thread, which cannot report them otherwise.

#include <exception>

namespace Tovek::KV9Lua {

// Shows the exception's text (or "Unknown Exception") in an error box titled "Orrin", for scan
// failures inside the game's Lua thread that the game cannot be told of.
void showFatalError(const std::exception_ptr& error);

}  // namespace Tovek::KV9Lua
