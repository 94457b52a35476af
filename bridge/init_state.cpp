#include "bridge/init_state.h"

namespace Tovek::KV9Lua {

std::atomic<InitState> g_initState{InitState::running};

void settleInitState(InitState outcome) {
    g_initState.store(outcome);
    g_initState.notify_all();
}

}  // namespace Tovek::KV9Lua
