#include "hostgame/scenarios/scenario_checks.h"

#include <windows.h>

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

int runSelf(const std::wstring& arguments) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(path) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(path, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return -1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
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
