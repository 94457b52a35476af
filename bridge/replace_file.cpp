#include "bridge/replace_file.h"

#include <boost/format.hpp>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>

namespace Tovek::KV9Lua {

namespace fs = std::filesystem;

namespace {

std::string utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

// A name of its own for each call, so that two processes replacing the same file at once
// never write into one temporary file.
fs::path temporaryBeside(const fs::path& target) {
    std::random_device random;
    const uint64_t tag = uint64_t{random()} << 32 | random();
    fs::path temporary = target;
    temporary += (boost::format(".%016x.tmp") % tag).str();
    return temporary;
}

// What the last failed call left in errno, after a colon; nothing when it left none.
std::string reason(int error) {
    return error != 0 ? ": " + std::generic_category().message(error) : std::string();
}

void writeWhole(const fs::path& temporary, std::filebuf& file, std::string_view text) {
    errno = 0;
    const auto size = static_cast<std::streamsize>(text.size());
    const bool written = file.sputn(text.data(), size) == size && file.pubsync() == 0;
    // Closing writes what is left and can fail as well.
    if (file.close() != nullptr && written) return;
    throw std::runtime_error("cannot write " + utf8(temporary) + reason(errno));
}

// On Windows a file that another process has open cannot be replaced; another start-up of
// the game reading it holds it for a moment, so the rename is tried a few times.
void renameOver(const fs::path& temporary, const fs::path& target) {
    constexpr int kAttempts = 20;
    constexpr std::chrono::milliseconds kPause{25};
    std::error_code error;
    for (int attempt = 1;; ++attempt) {
        fs::rename(temporary, target, error);
        if (!error || attempt == kAttempts) break;
        std::this_thread::sleep_for(kPause);
    }
    if (error) throw std::runtime_error("cannot replace " + utf8(target) + ": " + error.message());
}

}  // namespace

void replaceFileContents(const fs::path& target, std::string_view text) {
    const fs::path temporary = temporaryBeside(target);
    std::filebuf file;
    errno = 0;
    if (file.open(temporary, std::ios::out | std::ios::trunc | std::ios::binary) == nullptr) {
        throw FileNotCreated("cannot create " + utf8(temporary) + reason(errno));
    }
    try {
        writeWhole(temporary, file, text);
        renameOver(temporary, target);
    } catch (...) {
        file.close();
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw;
    }
}

}  // namespace Tovek::KV9Lua
