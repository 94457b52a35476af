#pragma once

// What a scenario checks, printed as it goes; the scenario passes when every check held.

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace HostGame {

class ScenarioChecks {
public:
    void check(bool held, const std::string& what);
    void checkLog(const std::vector<std::string>& actual, const std::vector<std::string>& expected);
    int exitCode() const { return m_failures == 0 ? 0 : 1; }

private:
    int m_failures = 0;
};

// How long a scenario waits for something that must happen: long enough that only a hang
// misses it, however slow or busy the machine.
constexpr std::chrono::seconds kHangLimit{60};

// The Output log file the plug-in's "outputLogFile" option names holds exactly these lines.
void checkOutputLog(ScenarioChecks& checks, const std::filesystem::path& file,
                    const std::vector<std::string>& expected);

// This program's folder, where the build puts Vellox.dll.
std::filesystem::path programFolder();
// Makes a fresh folder of this program's folder the working directory of the scenario.
void enterScenarioWorkingDirectory(const std::string& scenario);
// A fresh folder holding a copy of Vellox.dll for one scenario, so that its default cache file
// is its own; returns the copy's path.
std::filesystem::path freshPluginCopy(const std::string& scenario);
// Runs this program again with the arguments and returns its exit code.
int runSelf(const std::wstring& arguments);
// The exit code runSelvesAtOnce gives a process it had to end at the deadline.
constexpr int kEndedAtDeadline = 259;
// Runs this program again once per argument line, all at the same time, and returns their exit
// codes in the same order: kEndedAtDeadline for each one still running at the deadline, which
// is then ended; -1 for one that could not start.
std::vector<int> runSelvesAtOnce(const std::vector<std::wstring>& argumentLines,
                                 std::chrono::milliseconds deadline);
// A start-up of the DLL in a process of its own, as an earlier run of the game; its exit code.
int runStartupInNewProcess(const std::filesystem::path& dll);
// The cache file the plug-in keeps next to its DLL.
std::filesystem::path cacheFileOf(const std::filesystem::path& dll);

// The plug-in's log of a whole start-up on the stand-in game.
extern const std::vector<std::string> kStartupLog;

}  // namespace HostGame
