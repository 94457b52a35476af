#include "overlay/hotkey_letters.h"

#include "overlay/utf8_text.h"

#include <string_view>

namespace Zo::KV9RudiVeruv {

char g_hotkeyDisplay = 0;
char g_hotkeyPause = 0;
char g_hotkeyAnimation = 0;

char hotkeyByte(char firstByte) {
    return wholeUtf8Length(std::string_view(&firstByte, 1)) == 1 ? firstByte : '\0';
}

}  // namespace Zo::KV9RudiVeruv
