#include "overlay/nul_padded_text.h"

#include "overlay/utf8_text.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace Zo::KV9RudiVeruv {

void lengthenWithNul(std::string& text, std::size_t minimumSize) {
    if (text.size() < minimumSize) text.resize(minimumSize, '\0');
}

void cutAtNul(std::string& text) { text.resize(std::strlen(text.c_str())); }

void cutToWholeUtf8(std::string& text) {
    const std::size_t end = std::strlen(text.c_str());
    const std::size_t whole = wholeUtf8Length(std::string_view(text.data(), end));
    std::fill(text.begin() + static_cast<std::ptrdiff_t>(whole),
              text.begin() + static_cast<std::ptrdiff_t>(end), '\0');
}

}  // namespace Zo::KV9RudiVeruv
