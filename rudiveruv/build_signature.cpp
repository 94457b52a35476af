#include "rudiveruv/build_signature.h"

#include <cstring>

namespace Zo::KV9RudiVeruv {

uint32_t findBuildGlobal(const TheGameModule& module, const BuildSignature& build) {
    const uint64_t global = uint64_t{module.begin} + build.globalOffset;
    const uint64_t code = uint64_t{module.begin} + build.codeOffset;
    if (!liesInside(module, global, sizeof(uint32_t)) ||
        !liesInside(module, code, build.code.size())) {
        return 0;
    }
    if (std::memcmp(reinterpret_cast<const void*>(static_cast<uintptr_t>(code)), build.code.data(),
                    build.code.size()) != 0) {
        return 0;
    }
    return static_cast<uint32_t>(global);
}

}  // namespace Zo::KV9RudiVeruv
