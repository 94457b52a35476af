#pragma once

// Text the configuration file takes must be well-formed UTF-8: its writer refuses anything else.
// Text fields and options are cut back to whole characters where they come in.

#include <cstddef>
#include <string_view>

namespace Zo::KV9RudiVeruv {

// The length of the longest start of `text` made of whole, well-formed UTF-8 characters (no
// overlong forms, no surrogates, nothing above U+10FFFF).
std::size_t wholeUtf8Length(std::string_view text);

}  // namespace Zo::KV9RudiVeruv
