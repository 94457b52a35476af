#include "overlay/nul_padded_text.h"

#include <cstring>

namespace Zo::KV9RudiVeruv {

void lengthenWithNul(std::string& text, std::size_t minimumSize) {
    if (text.size() < minimumSize) text.resize(minimumSize, '\0');
}

void cutAtNul(std::string& text) { text.resize(std::strlen(text.c_str())); }

}  // namespace Zo::KV9RudiVeruv
