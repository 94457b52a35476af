#pragma once

// Where the game device's EndScene and Reset lead back to once the overlay has detoured them.

namespace Zo::KV9RudiVeruv {

// Each first holds the function found on the device; once detoured, the way back into it.
extern void* g_originalEndScene;
extern void* g_originalReset;

}  // namespace Zo::KV9RudiVeruv
