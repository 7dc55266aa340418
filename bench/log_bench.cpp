// Cost of one log entry (the file is opened, appended to and closed per entry) and of refilling
// the list from a long file.
#include "config/Clock.h"
#include "log/Log.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string TempLogPath(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

void BM_AddLogToFile(benchmark::State& state) {
    const std::string file = TempLogPath("hostaq-bench-addlog.log");
    std::remove(file.c_str());
    hostaq::ResetLogger();
    hostaq::LogList().SetLogFileName(file);
    for (auto _ : state)
        hostaq::AddLog(hostaq::LogNormal, "Current IP address (192.0.2.1) is not public IP");
    hostaq::ResetLogger();
    std::remove(file.c_str());
}
BENCHMARK(BM_AddLogToFile);

void BM_AddLogScreenOnly(benchmark::State& state) {
    hostaq::ResetLogger();
    hostaq::LogList().SetLogToFile(false);
    for (auto _ : state)
        hostaq::AddLog(hostaq::LogNormal, "Current IP address (192.0.2.1) is not public IP");
    hostaq::ResetLogger();
}
BENCHMARK(BM_AddLogScreenOnly);

// A month of entries (lines given by the argument); the list keeps the last 500.
void BM_LoadFromLogFile(benchmark::State& state) {
    const std::string file = TempLogPath("hostaq-bench-load.log");
    {
        std::ofstream out(file, std::ios::trunc);
        out << "Hostaq Updater log file. Created on 00:00:00 - 12/01/2007.\n\n";
        for (int64_t i = 0; i < state.range(0); ++i)
            out << "[002] - 12:00:00 - 12/01/2007 - Update process starts, entry " << i << "\n";
    }
    hostaq::TVemoListBoxLog list;
    list.SetLogFileName(file);
    for (auto _ : state) {
        list.ClearLog();
        benchmark::DoNotOptimize(list.LoadFromLogFile());
    }
    std::remove(file.c_str());
}
BENCHMARK(BM_LoadFromLogFile)->Arg(1000)->Arg(100000);

} // namespace

BENCHMARK_MAIN();
