#include "overlay/utf8_text.h"

namespace Zo::KV9RudiVeruv {

namespace {

// The length of the character that starts with `lead`, and the range its second byte must lie
// in (the later ones all lie in 0x80 to 0xBF); 0 for a byte that starts none.
struct CharacterStart {
    std::size_t length;
    unsigned char secondMin;
    unsigned char secondMax;
};

CharacterStart characterStart(unsigned char lead) {
    if (lead < 0x80) return {1, 0, 0};
    if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
    if (lead == 0xE0) return {3, 0xA0, 0xBF};  // no overlong form
    if (lead == 0xED) return {3, 0x80, 0x9F};  // no surrogate
    if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
    if (lead == 0xF0) return {4, 0x90, 0xBF};  // no overlong form
    if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
    if (lead == 0xF4) return {4, 0x80, 0x8F};  // up to U+10FFFF
    return {0, 0, 0};
}

}  // namespace

std::size_t wholeUtf8Length(std::string_view text) {
    std::size_t whole = 0;
    while (whole < text.size()) {
        const CharacterStart start = characterStart(static_cast<unsigned char>(text[whole]));
        if (start.length == 0 || text.size() - whole < start.length) break;
        bool wellFormed = true;
        for (std::size_t i = 1; i < start.length && wellFormed; ++i) {
            const auto byte = static_cast<unsigned char>(text[whole + i]);
            const unsigned char min = i == 1 ? start.secondMin : 0x80;
            const unsigned char max = i == 1 ? start.secondMax : 0xBF;
            wellFormed = byte >= min && byte <= max;
        }
        if (!wellFormed) break;
        whole += start.length;
    }
    return whole;
}

}  // namespace Zo::KV9RudiVeruv
