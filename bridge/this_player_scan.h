#pragma once

// Finding the game's WorldBuilder this-player global: the game pushes the text
// " does not exist.  Ignoring request." when a request names no player, calls its report, and
// then reaches the WorldBuilder through that global in ecx for its next call.

#include "bridge/code_scan.h"
#include "bridge/pointers_cache.h"

#include <cstdint>
#include <vector>

namespace Tovek::KV9Lua {

// The lowest address in the module where an instruction decodes that pushes one of the message
// addresses, or 0. The exhaustive form decodes at every byte; the fast form gives the same result
// and decodes only where an imm32 of a message address can lie.
using FirstMessagePushScan = uint32_t (*)(const TheGameModule& module, const ZydisDecoder& decoder,
                                          const std::vector<uint32_t>& messageAddresses);
uint32_t findFirstMessagePushExhaustive(const TheGameModule& module, const ZydisDecoder& decoder,
                                        const std::vector<uint32_t>& messageAddresses);
uint32_t findFirstMessagePushFast(const TheGameModule& module, const ZydisDecoder& decoder,
                                  const std::vector<uint32_t>& messageAddresses);

// The last `mov ecx, dword ptr [abs32]` between the first and the second call of the 256 bytes
// from afterPush; throws when ecx holds anything else at the second call.
uint32_t findEcxGlobalAfterPush(const ZydisDecoder& decoder, uint32_t afterPush);

// The this-player global, read after the push of the text: the cached push when it still pushes
// the text (a cached one that does not throws), otherwise the first one in the game module that
// findFirstMessagePush finds.
uint32_t findThisPlayerGlobal(PointersCache& cache, FirstMessagePushScan findFirstMessagePush);

}  // namespace Tovek::KV9Lua
