#include "overlay/hotkey_letters.h"

namespace Zo::KV9RudiVeruv {

char g_hotkeyDisplay = 0;
char g_hotkeyPause = 0;
char g_hotkeyAnimation = 0;

}  // namespace Zo::KV9RudiVeruv
