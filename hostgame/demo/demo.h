#pragma once

namespace HostGame {

// A session for a user to watch: loads Vellox.dll beside this program with sample custom data,
// prints every host log line, then what the start-up found.
int runDemo();

// One start-up; prints how long tovek_plugin_init took as "startup_ms: N".
int runTimedStartup(const wchar_t* dll);

}  // namespace HostGame
