#pragma once

// A scan's result or "<exception type>: <message>", so that one column of a table of cases holds
// results and errors alike and a wrong exception type shows in the diff.

#include <functional>
#include <stdexcept>
#include <string>
#include <typeinfo>

inline std::string outcomeOf(const std::function<std::string()>& run) {
    try {
        return run();
    } catch (const std::exception& e) {
        const std::type_info& type = typeid(e);
        const char* name = type == typeid(std::out_of_range)       ? "out_of_range"
                           : type == typeid(std::runtime_error)    ? "runtime_error"
                           : type == typeid(std::invalid_argument) ? "invalid_argument"
                           : type == typeid(std::range_error)      ? "range_error"
                                                                   : type.name();
        return std::string(name) + ": " + e.what();
    }
}
