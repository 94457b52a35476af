#pragma once

// Replacing a file's contents so that a reader never sees it half written and a failed write
// leaves the old file whole: the text goes to a temporary file of its own beside the target,
// flushed and closed, which then takes the target's place in one rename.

#include <filesystem>
#include <stdexcept>
#include <string_view>

namespace Tovek::KV9Lua {

// Thrown when the temporary file cannot be created (a folder that is missing or not
// writable): nothing was touched.
class FileNotCreated : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws FileNotCreated, or std::runtime_error when writing, closing or the rename fails: the
// temporary file is gone again and the target as it was. Each text names the file and the
// reason.
void replaceFileContents(const std::filesystem::path& target, std::string_view text);

}  // namespace Tovek::KV9Lua
