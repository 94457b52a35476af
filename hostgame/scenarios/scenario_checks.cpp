#include "hostgame/scenarios/scenario_checks.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace HostGame {

void ScenarioChecks::check(bool held, const std::string& what) {
    std::printf("%s: %s\n", held ? "ok" : "FAILED", what.c_str());
    if (!held) ++m_failures;
}

void ScenarioChecks::checkLog(const std::vector<std::string>& actual,
                              const std::vector<std::string>& expected) {
    bool same = actual == expected;
    check(same, "host log is exactly the expected lines");
    if (!same) {
        for (const auto& line : actual) std::printf("  got:      %s\n", line.c_str());
        for (const auto& line : expected) std::printf("  expected: %s\n", line.c_str());
    }
}

void checkOutputLog(ScenarioChecks& checks, const std::filesystem::path& file,
                    const std::vector<std::string>& expected) {
    std::ifstream in(file);  // text mode: the lines end in CR LF
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    checks.check(in.eof() && lines == expected,
                 "the Output log file holds exactly the " + std::to_string(expected.size()) +
                     " expected lines");
    if (lines != expected) {
        for (const auto& line : lines) std::printf("  got:      %s\n", line.c_str());
        for (const auto& line : expected) std::printf("  expected: %s\n", line.c_str());
    }
}

std::filesystem::path programFolder() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path();
}

void enterScenarioWorkingDirectory(const std::string& scenario) {
    const auto folder = programFolder() / "scenario-work" / scenario;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
}

std::filesystem::path freshPluginCopy(const std::string& scenario) {
    const auto folder = programFolder() / "scenarios" / scenario;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(programFolder() / "Vellox.dll", folder / "Vellox.dll");
    return folder / "Vellox.dll";
}

namespace {

// This program again with the arguments; null when it could not start.
HANDLE startSelf(const std::wstring& arguments) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(path) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(path, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

int exitCodeOf(HANDLE process) {
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    return static_cast<int>(code);
}

}  // namespace

int runSelf(const std::wstring& arguments) {
    const HANDLE process = startSelf(arguments);
    if (process == nullptr) return -1;
    WaitForSingleObject(process, INFINITE);
    const int code = exitCodeOf(process);
    CloseHandle(process);
    return code;
}

std::vector<int> runSelvesAtOnce(const std::vector<std::wstring>& argumentLines,
                                 std::chrono::milliseconds deadline) {
    std::vector<HANDLE> processes;
    for (const std::wstring& arguments : argumentLines) processes.push_back(startSelf(arguments));
    const auto limit = std::chrono::steady_clock::now() + deadline;
    std::vector<int> codes;
    for (const HANDLE process : processes) {
        if (process == nullptr) {
            codes.push_back(-1);
            continue;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            limit - std::chrono::steady_clock::now());
        const DWORD wait = static_cast<DWORD>(std::max<long long>(left.count(), 0));
        if (WaitForSingleObject(process, wait) == WAIT_OBJECT_0) {
            codes.push_back(exitCodeOf(process));
        } else {
            TerminateProcess(process, kEndedAtDeadline);
            WaitForSingleObject(process, INFINITE);
            codes.push_back(kEndedAtDeadline);
        }
        CloseHandle(process);
    }
    return codes;
}

int runStartupInNewProcess(const std::filesystem::path& dll) {
    return runSelf(L"--startup \"" + dll.wstring() + L"\"");
}

std::filesystem::path cacheFileOf(const std::filesystem::path& dll) {
    return std::filesystem::path(dll).replace_extension(".dll.cache");
}

const std::vector<std::string> kStartupLog = {
    "Initializing KV9 lua bridge",
    "Retrieving cache",
    "Completing initialization",
    "Finding Game WB <ThisPlayer> global variable",
    "Extending range limits",
    "Hooking functions",
    "Loading plugins",
    "loading internal lua plugin: KV9RudiVeruvPlugin",
    "lua plugin KV9RudiVeruvPlugin loaded"};

}  // namespace HostGame
