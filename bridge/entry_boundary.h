#pragma once

// The boundary of an entry that the host calls: no exception may leave it, since the library
// has its own unwinder. A failure is logged through the host's routine instead.

#include <exception>

namespace Tovek::KV9Lua {

// True when body returns; otherwise log receives the exception's message, or unknownMessage
// for one that is not a std::exception, and the answer is false.
template <typename Body>
bool runLoggingFailure(Body&& body, void (*log)(const char*), const char* unknownMessage) {
    try {
        body();
        return true;
    } catch (const std::exception& e) {
        log(e.what());
    } catch (...) {
        log(unknownMessage);
    }
    return false;
}

}  // namespace Tovek::KV9Lua
