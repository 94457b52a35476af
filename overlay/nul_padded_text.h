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

// Cuts the text back to its last whole UTF-8 character, as it must be after every edit of the
// toolkit: a full field can be left ending in part of a character (an Escape restores at most
// the buffer's size less one byte). The bytes cut off become NULs, so the string keeps its size.
void cutToWholeUtf8(std::string& text);

}  // namespace Zo::KV9RudiVeruv
