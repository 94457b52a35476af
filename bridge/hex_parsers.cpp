#include "bridge/hex_parsers.h"

#include <cstdint>
#include <limits>
#include <stdexcept>

namespace Tovek::KV9Lua {

namespace {

// Reads like a 32-bit strtoul on every platform: the digits must fit 32 bits, and a minus sign
// negates the value modulo 2^32. std::stoull reads the same digits in 64 bits.
uint32_t parseHex32(const std::string& text) {
    const uint64_t value = std::stoull(text, nullptr, 16);
    const std::size_t first = text.find_first_not_of(" \t\n\v\f\r");
    const bool negative = first != std::string::npos && text[first] == '-';
    const uint64_t digits = negative ? 0 - value : value;
    if (digits > std::numeric_limits<uint32_t>::max()) throw std::out_of_range(text);
    return static_cast<uint32_t>(negative ? 0 - digits : digits);
}

template <typename Parse>
double orNaN(const std::string& text, Parse parse) {
    try {
        return parse(text);
    } catch (...) {
        return std::numeric_limits<double>::quiet_NaN();  // no digits or out of range
    }
}

}  // namespace

double hexToInt32(const std::string& text) {
    return orNaN(text, [](const std::string& t) {
        return static_cast<double>(static_cast<int32_t>(parseHex32(t)));
    });
}

double hexToUInt32(const std::string& text) {
    return orNaN(text, [](const std::string& t) { return static_cast<double>(parseHex32(t)); });
}

double hexToInt64(const std::string& text) {
    return orNaN(text, [](const std::string& t) {
        return static_cast<double>(std::stoll(t, nullptr, 16));
    });
}

}  // namespace Tovek::KV9Lua
