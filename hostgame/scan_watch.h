#pragma once

namespace HostGame {

// Notices a whole-module byte search: arms a guard page in the middle of the game's data area,
// which nothing else reads, and counts the reads that trip it.
class ModuleScanWatch {
public:
    ModuleScanWatch();
    ~ModuleScanWatch();
    ModuleScanWatch(const ModuleScanWatch&) = delete;
    ModuleScanWatch& operator=(const ModuleScanWatch&) = delete;

    bool tripped() const;

private:
    void* m_handler;
};

}  // namespace HostGame
