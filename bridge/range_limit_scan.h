#pragma once

// Finding the game camera's four range-limit checks: each loads the game's 10000.0 limit with an
// 8-byte `movss xmmN, dword ptr [abs32]` and, after exactly two calls, pushes the text of its
// failed assertion.

#include "bridge/code_scan.h"
#include "bridge/pointers_cache.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace Tovek::KV9Lua {

// The checkers in [begin, end), ascending, up to maxCount (0xFFFFFFFF: no limit). A checker
// consumes the message address it pushes, and the first one fixes candidateFloat, the address of
// the limit that all of them must load.
using RangeLimitScan = std::vector<uint32_t> (*)(const TheGameModule& module,
                                                 const ZydisDecoder& decoder, uint32_t begin,
                                                 uint32_t end,
                                                 std::vector<uint32_t>& messageAddresses,
                                                 std::optional<uint32_t>& candidateFloat,
                                                 uint32_t maxCount);

// The reference: tries every byte address in [begin, end) as an instruction start.
std::vector<uint32_t> scanRangeLimitCheckerExhaustive(const TheGameModule& module,
                                                      const ZydisDecoder& decoder, uint32_t begin,
                                                      uint32_t end,
                                                      std::vector<uint32_t>& messageAddresses,
                                                      std::optional<uint32_t>& candidateFloat,
                                                      uint32_t maxCount);
// The same results, trying only the starts that can hold a `movss` opcode.
std::vector<uint32_t> scanRangeLimitCheckerFast(const TheGameModule& module,
                                                const ZydisDecoder& decoder, uint32_t begin,
                                                uint32_t end,
                                                std::vector<uint32_t>& messageAddresses,
                                                std::optional<uint32_t>& candidateFloat,
                                                uint32_t maxCount);
// The four cached checkers (ids 8 to 11), found again from their own addresses with their cached
// texts (ids 4 to 7) by scan; empty on any mismatch.
std::vector<uint32_t> verifyCachedRangeLimitCheckers(PointersCache& cache,
                                                     const TheGameModule& module,
                                                     const ZydisDecoder& decoder,
                                                     RangeLimitScan scan);

// The four checkers, from the cache when they pass verifyCachedRangeLimitCheckers, otherwise by
// searchRangeLimitCheckers over the game module, both running scan.
std::vector<uint32_t> findRangeLimitCheckers(PointersCache& cache, RangeLimitScan scan);

// The full search over a module by scan: every occurrence of the four texts must be claimed by
// exactly one of exactly four checkers. Rewrites ids 4 to 11; throws "Failed to find game range
// limit checkers" otherwise.
std::vector<uint32_t> searchRangeLimitCheckers(PointersCache& cache, const TheGameModule& module,
                                               const ZydisDecoder& decoder, RangeLimitScan scan);

}  // namespace Tovek::KV9Lua
