#include "overlay/overlay_state.h"

namespace Zo::KV9RudiVeruv {

bool g_overlayVisible = true;
std::map<std::string, std::function<void()>> g_frameCallbacks;

}  // namespace Zo::KV9RudiVeruv
