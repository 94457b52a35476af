#pragma once

namespace HostGame {

// The host's hook routine: detours the function whose address *target holds with a jmp rel32
// over its first instructions, which move into a trampoline that ends with a jump back, and
// stores the trampoline in *target so that calling through it runs the original code.
// Returns false and changes nothing when an argument is null or the function's first bytes
// cannot be decoded or moved safely.
bool installInlineHook(void** target, void* detour);

}  // namespace HostGame
