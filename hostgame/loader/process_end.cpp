#include "hostgame/loader/process_end.h"

#include <windows.h>

#include <cstdio>

namespace HostGame {

int endProcess(int exitCode) {
    std::fflush(nullptr);
    TerminateProcess(GetCurrentProcess(), exitCode);
    return exitCode;
}

}  // namespace HostGame
