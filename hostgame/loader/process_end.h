#pragma once

// How the stand-in's programs end once their exit code is decided and printed.

namespace HostGame {

// Ends the process at once with the exit code, for a caller outside Wine (the test runner).
// Wineserver gives a process about half a second from its last Windows thread to its Unix end
// before it kills it; a plain return spends that time in the C library's exit under emulation
// (the display driver's threads joined, Mesa's and LLVM's destructors) and, on a busy machine,
// now and then overruns it. What a process's own end does is what the exit scenarios check, in
// child processes. Returns only when the process could not be ended.
int endProcess(int exitCode);

}  // namespace HostGame
