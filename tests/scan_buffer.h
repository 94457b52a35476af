#pragma once

// Synthetic game code for the whole-module scans: bytes at the top of committed memory with an
// inaccessible page right after them, so that a read past the end faults. Allocated top-down,
// above the test program's image: the pointers cache then drops its addresses without an error.

#include "bridge/code_scan.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <stdexcept>
#include <vector>

using Bytes = std::vector<uint8_t>;

class ScanBuffer {
public:
    explicit ScanBuffer(uint32_t size) : m_size(size) {
        const uint32_t committed = (size + kPage - 1) / kPage * kPage;
        m_base = VirtualAlloc(nullptr, committed + kPage, MEM_RESERVE | MEM_TOP_DOWN,
                              PAGE_NOACCESS);
        if (m_base == nullptr || VirtualAlloc(m_base, committed, MEM_COMMIT, PAGE_READWRITE) ==
                                     nullptr) {
            throw std::runtime_error("cannot allocate the scan buffer");
        }
        m_begin = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(m_base)) + committed - size;
    }
    ~ScanBuffer() { VirtualFree(m_base, 0, MEM_RELEASE); }
    ScanBuffer(const ScanBuffer&) = delete;
    ScanBuffer& operator=(const ScanBuffer&) = delete;

    uint32_t begin() const { return m_begin; }
    uint32_t end() const { return m_begin + m_size; }
    Tovek::KV9Lua::TheGameModule module() const { return {begin(), end(), m_size}; }

    // Copies bytes to the start of the buffer; the rest keeps its contents (zero at first).
    void write(const Bytes& bytes) {
        if (bytes.size() > m_size) throw std::length_error("bytes exceed the scan buffer");
        std::memcpy(reinterpret_cast<void*>(m_begin), bytes.data(), bytes.size());
    }

private:
    static constexpr uint32_t kPage = 0x1000;
    void* m_base = nullptr;
    uint32_t m_begin = 0;
    uint32_t m_size;
};

// Instructions appended one after another as they are to lie at base onward.
struct CodeWriter {
    uint32_t base;
    Bytes bytes;

    uint32_t here() const { return base + static_cast<uint32_t>(bytes.size()); }
    CodeWriter& raw(std::initializer_list<uint8_t> more) {
        bytes.insert(bytes.end(), more);
        return *this;
    }
    CodeWriter& word(uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(uint8_t(value >> shift));
        return *this;
    }
    CodeWriter& f32(float value) {
        uint32_t word;
        std::memcpy(&word, &value, sizeof word);
        return this->word(word);
    }
    // movss xmm0, dword ptr [address]: the 8-byte form a range-limit checker starts with.
    CodeWriter& movss(uint32_t address) { return raw({0xF3, 0x0F, 0x10, 0x05}).word(address); }
    CodeWriter& call() { return raw({0xE8}).word(0); }
    CodeWriter& push(uint32_t value) { return raw({0x68}).word(value); }
    CodeWriter& movEcxFrom(uint32_t address) { return raw({0x8B, 0x0D}).word(address); }
    CodeWriter& nops(std::size_t count) {
        bytes.insert(bytes.end(), count, 0x90);
        return *this;
    }
    CodeWriter& fillTo(uint32_t address, uint8_t value) {
        if (address > here()) bytes.insert(bytes.end(), address - here(), value);
        return *this;
    }
};
