#include "rudiveruv/rudiveruv_state.h"

namespace Zo::KV9RudiVeruv {

void* g_originalEndScene = nullptr;
void* g_originalReset = nullptr;

}  // namespace Zo::KV9RudiVeruv
