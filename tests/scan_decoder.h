#pragma once

// The decoder the scans walk game code with, and the outcomes (see scan_outcome.h) of a walk
// that the decoder itself stops.

#include "bridge/code_scan.h"

#include <string>

inline const ZydisDecoder& decoder() {
    static const ZydisDecoder instance = Tovek::KV9Lua::makeLegacy32Decoder();
    return instance;
}

inline const std::string kWindowEnd = "out_of_range: Decoder m_current >= m_end";
inline const std::string kUndecodable = "runtime_error: Failed to decode instruction";
inline const std::string kWraps = "invalid_argument: Decoder begin >= end";
