#pragma once

// An action run when a scope ends, however it ends: releases and restores never skipped.

#include <boost/function.hpp>

#include <utility>

namespace Zo::KV9RudiVeruv {

// Runs its action, when one is set, as it goes out of scope. Clearing the action keeps what it
// would undo.
struct ScopeGuard {
    boost::function<void()> action;

    explicit ScopeGuard(boost::function<void()> undo) : action(std::move(undo)) {}
    ~ScopeGuard() {
        if (action) action();
        action.clear();
    }
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;
};

}  // namespace Zo::KV9RudiVeruv
