#include "rudiveruv/build_signature.h"

#include <cstring>

namespace Zo::KV9RudiVeruv {

uint32_t findBuildGlobal(const TheGameModule& module, const BuildSignature& build) {
    // In 64 bits, so that no sum wraps for a module near the top of the address space.
    const uint64_t begin = module.begin;
    const uint64_t end = module.end;
    if (end < begin || end - begin <= build.globalOffset) return 0;
    const uint64_t global = begin + build.globalOffset;
    const uint64_t code = begin + build.codeOffset;
    if (global + sizeof(uint32_t) > end || code + build.code.size() > end) return 0;
    if (std::memcmp(reinterpret_cast<const void*>(static_cast<uintptr_t>(code)), build.code.data(),
                    build.code.size()) != 0) {
        return 0;
    }
    return static_cast<uint32_t>(global);
}

}  // namespace Zo::KV9RudiVeruv
