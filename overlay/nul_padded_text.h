#pragma once

// Text fields of the overlay edit a std::string's own storage: the string is lengthened with NUL
// bytes first, so that the toolkit has room to type into, and its text is the part before the
// first NUL.

#include <cstddef>
#include <string>

namespace Zo::KV9RudiVeruv {

// Longer strings keep their size, and with it no room to grow.
void lengthenWithNul(std::string& text, std::size_t minimumSize);

// Drops the first NUL and everything after it.
void cutAtNul(std::string& text);

}  // namespace Zo::KV9RudiVeruv
