#include "rudiveruv/lua_chunk_queue.h"

#include "bridge/lua40_layout.h"
#include "rudiveruv/lua_state_watch.h"
#include "rudiveruv/process_end.h"
#include "rudiveruv/time_pause_state.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace Zo::KV9RudiVeruv {

namespace {

struct QueuedChunk {
    int counter;  // the checker counter of the state it was sent to
    std::string scrambledCode;
    std::promise<LuaChunkResult> result;
};

// The last lock of the lock order (time_pause_state.h): nothing else is taken, and no Lua is
// run, while it is held.
struct ChunkQueue {
    std::mutex mutex;
    std::vector<QueuedChunk> chunks;

    // The states something waits for, each once.
    std::vector<int> waitingCounters() {
        std::vector<int> counters;
        const LockUnlessEnding lock(mutex);
        if (!lock.held()) return counters;
        for (const QueuedChunk& chunk : chunks) {
            if (std::find(counters.begin(), counters.end(), chunk.counter) == counters.end()) {
                counters.push_back(chunk.counter);
            }
        }
        return counters;
    }

    // Those queued for the state, out of the queue.
    std::vector<QueuedChunk> takeFor(int counter) {
        std::vector<QueuedChunk> taken;
        const LockUnlessEnding lock(mutex);
        if (!lock.held()) return taken;
        for (auto it = chunks.begin(); it != chunks.end();) {
            if (it->counter == counter) {
                taken.push_back(std::move(*it));
                it = chunks.erase(it);
            } else {
                ++it;
            }
        }
        return taken;
    }
};

// Never destroyed: the game's Lua thread and the watchers may still call in while the process
// ends.
ChunkQueue& chunkQueue() {
    static ChunkQueue* const queue = new ChunkQueue;
    return *queue;
}

// The game's Lua thread is inside a queued chunk: a getglobal that chunk makes runs nothing.
thread_local bool t_runningQueuedChunk = false;

struct RunningQueuedChunks {
    RunningQueuedChunks() { t_runningQueuedChunk = true; }
    ~RunningQueuedChunks() { t_runningQueuedChunk = false; }
};

// The state's own Lua code set its checker global when it arrived; a state the game made later
// at the same address has none of that name. Read through the game's own getglobal, with the
// stack empty, and emptied again.
bool holdsCheckerGlobal(LuaState* L, int counter) {
    g_rudiVeruvLua.getglobal(L, checkerName(counter).c_str());
    const bool holds = g_rudiVeruvLua.type(L, 1) != Tovek::KV9Lua::kLuaNilTag;
    g_rudiVeruvLua.settop(L, 0);
    return holds;
}

}  // namespace

std::future<LuaChunkResult> runLuaCode(std::string scrambledCode) {
    std::promise<LuaChunkResult> result;
    std::future<LuaChunkResult> future = result.get_future();
    // Under the state lock, as the watch remembers and forgets states and drops what waits for
    // the ones that ended: a text is never queued for a state already dropped.
    std::lock_guard stateLock(g_stateMutex);
    if (g_gameLuaState.load() == nullptr || g_gameLuaStateCounter == 0) {
        result.set_value({});
        return future;
    }
    ChunkQueue& queue = chunkQueue();
    std::lock_guard lock(queue.mutex);
    queue.chunks.push_back({g_gameLuaStateCounter, std::move(scrambledCode), std::move(result)});
    return future;
}

void runQueuedLuaCode(LuaState* L) {
    if (t_runningQueuedChunk || g_rudiVeruvLua.gettop(L) != 0) return;
    const RunningQueuedChunks running;
    for (const int counter : chunkQueue().waitingCounters()) {
        if (!holdsCheckerGlobal(L, counter)) continue;
        for (QueuedChunk& chunk : chunkQueue().takeFor(counter)) {
            chunk.result.set_value(runLuaChunk(L, chunk.scrambledCode));
        }
    }
}

void dropQueuedLuaCode(int counter) {
    for (QueuedChunk& chunk : chunkQueue().takeFor(counter)) chunk.result.set_value({});
}

}  // namespace Zo::KV9RudiVeruv
