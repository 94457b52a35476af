#pragma once

// x86 instructions written out byte by byte for the tables of code the scans decode in place.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <stdexcept>
#include <vector>

using Bytes = std::vector<uint8_t>;

enum Reg : uint8_t { EAX, ECX, EDX, EBX, ESP, EBP, ESI, EDI };

constexpr uint8_t kNop = 0x90;

// The opcode bytes, then each word little-endian.
inline Bytes code(std::initializer_list<uint8_t> opcode,
                  std::initializer_list<uint32_t> words = {}) {
    Bytes bytes(opcode);
    for (uint32_t word : words) {
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(uint8_t(word >> shift));
    }
    return bytes;
}
// mov reg, [address] through a ModRM byte.
inline Bytes load(Reg reg, uint32_t address) {
    return code({0x8B, uint8_t(0x05 | reg << 3)}, {address});
}
inline Bytes nops(std::size_t count) { return Bytes(count, kNop); }

// The pieces one after another, then NOPs up to N bytes: a function's code as a scan decodes it
// in place. Pieces longer than N bytes in all are refused.
template <std::size_t N>
struct NopFilledCode {
    std::array<uint8_t, N> bytes;
    std::vector<uint32_t> pieceEnds;  // the address right after each piece

    explicit NopFilledCode(const std::vector<Bytes>& pieces) {
        bytes.fill(kNop);
        std::size_t at = 0;
        for (const Bytes& piece : pieces) {
            if (piece.size() > N - at) throw std::length_error("code longer than its buffer");
            std::memcpy(bytes.data() + at, piece.data(), piece.size());
            at += piece.size();
            const auto end = reinterpret_cast<uintptr_t>(bytes.data() + at);
            pieceEnds.push_back(static_cast<uint32_t>(end));
        }
    }
};
