#pragma once

// Memory freed as the process ends, watched like a sanitiser's quarantine: once armed, every
// block that msvcrt.dll's free is given is filled with a pattern and kept, never handed back,
// so a later write into it shows as a changed byte.

namespace HostGame {

// Detours msvcrt.dll's free, from now on to the end of the process. False when it cannot.
bool quarantineFreedMemory();

// The first quarantined block that was written after its free; null when none was.
const void* firstWrittenFreedBlock();

}  // namespace HostGame
