// Runs the launcher and the two floor programs side by side and prints what each run measured, one
// line a run; scripts/bench.sh turns the lines into the table of medians.
//
//   ostrel_bench.exe RUNS
//
// One warm-up run of each, then RUNS runs of each in turn: the launcher, the shell floor
// (floor.cpp) and the conforming floor (conforming_floor.cpp). The stand-in
// runtime shows Corvex's window a second after it starts, so every launcher run ends in a
// hand-over. Lines ("ms" are milliseconds, "kib" KiB):
//   launcher run=N javaw_ms=.. window_datagram_ms=.. window_exit_ms=.. peak_kib=..
//   floor run=N javaw_ms=.. peak_kib=..
//   conforming run=N javaw_ms=.. peak_kib=..
// javaw_ms runs from just before CreateProcess to the first thing the stand-in javaw.exe does;
// the stand-in writes its steps on the performance counter this program reads too. peak_kib is
// the peak working set, read while the process runs: the figure goes with the process.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/owners_win32.h"
#include "launcher_driver.h"

using namespace ostrel::test;

namespace {

LONGLONG CounterNow() {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

double Milliseconds(LONGLONG from, LONGLONG to) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to - from) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// --- The stand-in's record ----------------------------------------------------------------

using Block = std::map<std::string, std::string>;

std::vector<Block> ParseRecord(const std::string& text) {
    std::vector<Block> blocks;
    std::istringstream lines(text);
    std::string line;
    Block block;
    while (std::getline(lines, line)) {
        if (line == "----") {
            blocks.push_back(std::move(block));
            block.clear();
        } else if (const auto equals = line.find('='); equals != std::string::npos) {
            block[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return blocks;  // a block still being written has no "----" yet and is left out
}

// The first block of the event whose `key` is `value` (any, when `key` is empty), waiting for
// the stand-in to write it.
Block AwaitBlock(const std::string& record, const std::string& event, const std::string& key = {},
                 const std::string& value = {}) {
    constexpr DWORD kPatienceMs = 15000;
    std::optional<Block> found;
    WaitUntil(
        [&] {
            for (Block& block : ParseRecord(ReadFile(record))) {
                if (block["event"] == event && (key.empty() || block[key] == value)) {
                    found = std::move(block);
                    return true;
                }
            }
            return false;
        },
        kPatienceMs);
    if (!found) throw std::runtime_error("the stand-in recorded no " + event + " in " + record);
    return *found;
}

LONGLONG CounterOf(const Block& block) {
    const auto counter = block.find("counter");
    if (counter == block.end()) throw std::runtime_error("a stand-in block has no counter");
    return std::stoll(counter->second);
}

// Every program must start the same runtime the same way, or the comparison means nothing.
void ExpectLaunchedAsTheLauncherDoes(const Block& start) {
    std::string folder = ProgramFolder();
    folder.pop_back();
    const auto directory = start.find("current_directory");
    const auto commandLine = start.find("command_line");
    if (directory == start.end() || directory->second != folder || commandLine == start.end() ||
        commandLine->second.find("Application ShowSetupSys") == std::string::npos) {
        throw std::runtime_error("the stand-in was started otherwise than the launcher starts it");
    }
}

// Ends the stand-in a run started, so that the next run's stand-in gets the port and the
// shared answer to itself.
void StopStandIn(const Block& start) {
    const auto pid = static_cast<DWORD>(std::stoul(start.at("pid")));
    const ostrel::KernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!process) return;  // already gone
    TerminateProcess(process.get(), 0);
    WaitForSingleObject(process.get(), 10000);
}

// --- One measured process -----------------------------------------------------------------

struct Outcome {
    LONGLONG started = 0;  // just before CreateProcess
    LONGLONG ended = 0;    // when the wait saw the process end
    SIZE_T peakWorkingSet = 0;
};

// Runs `commandLine` in `folder` until it ends, reading its peak working set every few
// milliseconds; a run that outlasts the limit is stopped and fails.
Outcome Run(std::string commandLine, const std::string& folder) {
    constexpr DWORD kPollMs = 2;
    constexpr DWORD kLimitMs = 30000;
    // What the last run left to Wine's services (windows and processes going) is done first.
    constexpr DWORD kSettleMs = 1000;
    Sleep(kSettleMs);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created{};
    Outcome outcome;
    outcome.started = CounterNow();
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &created)) {
        throw std::runtime_error("cannot start " + commandLine);
    }
    const ostrel::KernelHandle process(created.hProcess);
    const ostrel::KernelHandle thread(created.hThread);

    const ULONGLONG deadline = GetTickCount64() + kLimitMs;
    for (;;) {
        PROCESS_MEMORY_COUNTERS memory{};
        if (GetProcessMemoryInfo(process.get(), &memory, sizeof memory)) {
            outcome.peakWorkingSet = std::max(outcome.peakWorkingSet, memory.PeakWorkingSetSize);
        }
        if (WaitForSingleObject(process.get(), kPollMs) == WAIT_OBJECT_0) break;
        if (GetTickCount64() > deadline) {
            TerminateProcess(process.get(), 99);
            throw std::runtime_error(commandLine + " still ran after " +
                                     std::to_string(kLimitMs / 1000) + " s");
        }
    }
    outcome.ended = CounterNow();
    return outcome;
}

// One argument in double quotes; a trailing backslash is doubled, or it would escape the quote.
std::string Quoted(const std::string& text) {
    const bool backslash = !text.empty() && text.back() == '\\';
    return "\"" + text + (backslash ? "\\\"" : "\"");
}

// --- The runs -----------------------------------------------------------------------------

constexpr char kCorvexDelayMs[] = "1000";

void SetStandIn(const std::string& record, const char* windows, const char* delayMs,
                const char* lifetimeMs) {
    SetEnvironmentVariableA("OSTREL_STANDIN_RECORD", record.c_str());
    SetEnvironmentVariableA("OSTREL_CORVEX_WINDOWS", windows);
    SetEnvironmentVariableA("OSTREL_CORVEX_DELAY_MS", delayMs);
    SetEnvironmentVariableA("OSTREL_CORVEX_LIFETIME_MS", lifetimeMs);
    SetEnvironmentVariableA("OSTREL_CORVEX_ANSWER_AFTER", "1");
}

double KiB(SIZE_T bytes) { return static_cast<double>(bytes) / 1024.0; }

void PrintLine(const char* kind, int run,
               const std::vector<std::pair<const char*, double>>& figures) {
    std::printf("%s run=%d", kind, run);
    for (const auto& [name, value] : figures) std::printf(" %s=%.1f", name, value);
    std::printf("\n");
    std::fflush(stdout);
}

// The launcher starts the stand-in, which shows Corvex's window a second later; the launcher
// finds it on a tick, wakes it, gets its answer and closes on the next tick.
void LauncherStartup(int run) {
    TempFolder folder;
    const std::string record = folder.File("record.txt");
    SetStandIn(record, "SunAwtFrame:Corvex", kCorvexDelayMs, "60000");
    const Outcome outcome = Run(Quoted(ProgramFolder() + "ostrel.exe"), folder.Path());
    const Block start = AwaitBlock(record, "start");
    const Block shown = AwaitBlock(record, "windows");
    const Block datagram = AwaitBlock(record, "datagram", "number", "1");
    StopStandIn(start);
    ExpectLaunchedAsTheLauncherDoes(start);
    if (run == 0) return;
    PrintLine("launcher", run,
              {{"javaw_ms", Milliseconds(outcome.started, CounterOf(start))},
               {"window_datagram_ms", Milliseconds(CounterOf(shown), CounterOf(datagram))},
               {"window_exit_ms", Milliseconds(CounterOf(shown), outcome.ended)},
               {"peak_kib", KiB(outcome.peakWorkingSet)}});
}

// A floor program ends once it has started the stand-in, which shows no window.
void FloorStartup(const char* kind, const std::string& command, int run) {
    TempFolder folder;
    const std::string record = folder.File("record.txt");
    SetStandIn(record, "none", "0", "0");
    const Outcome outcome = Run(command, folder.Path());
    const Block start = AwaitBlock(record, "start");
    StopStandIn(start);
    ExpectLaunchedAsTheLauncherDoes(start);
    if (run == 0) return;
    PrintLine(kind, run,
              {{"javaw_ms", Milliseconds(outcome.started, CounterOf(start))},
               {"peak_kib", KiB(outcome.peakWorkingSet)}});
}

// The shell floor is told the runtime and the folder; the conforming floor finds them as the
// launcher does, in the registry and beside itself.
void ShellFloorStartup(int run) {
    FloorStartup("floor",
                 Quoted(ProgramFolder() + "ostrel_floor.exe") + " " +
                     Quoted(StandInJavaHome() + "\\bin\\javaw.exe") + " " + Quoted(ProgramFolder()),
                 run);
}

void ConformingFloorStartup(int run) {
    FloorStartup("conforming", Quoted(ProgramFolder() + "ostrel_conforming_floor.exe"), run);
}

int Usage() {
    std::fprintf(stderr, "usage: ostrel_bench RUNS\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return Usage();
    const int runs = std::atoi(argv[1]);
    if (runs < 1) return Usage();
    try {
        // The runtime the launcher finds is the stand-in beside this program, registered in the
        // 32-bit view as runtimes are.
        JavaRuntimeRegistration registry;
        registry.SetString("1.4", "JavaHome", StandInJavaHome());
        // Run 0 warms all three up (files in the cache, Wine's libraries loaded) and is not
        // printed.
        for (int run = 0; run <= runs; ++run) {
            LauncherStartup(run);
            ShellFloorStartup(run);
            ConformingFloorStartup(run);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ostrel_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
