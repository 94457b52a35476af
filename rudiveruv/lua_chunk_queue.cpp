#include "rudiveruv/lua_chunk_queue.h"

#include "rudiveruv/lua_state_watch.h"
#include "rudiveruv/process_end.h"

#include <mutex>
#include <utility>
#include <vector>

namespace Zo::KV9RudiVeruv {

namespace {

struct QueuedChunk {
    LuaState* state;  // g_gameLuaState when it was sent
    std::string scrambledCode;
    std::promise<LuaChunkResult> result;
};

// The last lock of the lock order (time_pause_state.h): nothing else is taken, and no Lua is
// run, while it is held.
struct ChunkQueue {
    std::mutex mutex;
    std::vector<QueuedChunk> chunks;

    // Those queued for L, out of the queue; none once the process ends while another thread
    // holds the lock.
    std::vector<QueuedChunk> takeFor(LuaState* L) {
        std::vector<QueuedChunk> taken;
        const LockUnlessEnding lock(mutex);
        if (!lock.held()) return taken;
        for (auto it = chunks.begin(); it != chunks.end();) {
            if (it->state == L) {
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

}  // namespace

std::future<LuaChunkResult> runLuaCode(std::string scrambledCode) {
    std::promise<LuaChunkResult> result;
    std::future<LuaChunkResult> future = result.get_future();
    LuaState* const L = g_gameLuaState.load();
    if (L == nullptr) {
        result.set_value({});
        return future;
    }
    ChunkQueue& queue = chunkQueue();
    std::lock_guard lock(queue.mutex);
    queue.chunks.push_back({L, std::move(scrambledCode), std::move(result)});
    return future;
}

void runQueuedLuaCode(LuaState* L) {
    if (t_runningQueuedChunk || g_rudiVeruvLua.gettop(L) != 0) return;
    const RunningQueuedChunks running;
    for (QueuedChunk& chunk : chunkQueue().takeFor(L)) {
        chunk.result.set_value(runLuaChunk(L, chunk.scrambledCode));
    }
}

void dropQueuedLuaCode(LuaState* L) {
    for (QueuedChunk& chunk : chunkQueue().takeFor(L)) chunk.result.set_value({});
}

}  // namespace Zo::KV9RudiVeruv
