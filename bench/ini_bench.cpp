// Reading one value from a large configuration file: every read opens and parses the file,
// and the monitor reads many keys per check, so this is the hot path.
#include "config/IniFile.h"
#include "config/Scramble.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// A file of 200 groups with 20 hosts and their result keys each (about 6,000 lines).
std::string MakeConfig() {
    const std::string path = (std::filesystem::temp_directory_path() / "hostaq-bench.ini").string();
    std::ofstream out(path, std::ios::trunc);
    out << "[Options]\nAutoCheck=1\nCheckingInt=5\n\n[IPAddress]\nCurrentIP=203.0.113.7\n\n";
    const std::string password = hostaq::ScramblePassword("secret");
    for (int g = 0; g < 200; ++g) {
        out << "[Group " << g << "]\nNewConfig=0\nType=0\nUserID=user" << g << "\nProvider=hostaq.example\n"
            << "Profile=\nPassword=" << password << "\nNumOfHosts=12\n";
        for (int h = 1; h <= 12; ++h)
            out << "Host" << h << "=host" << h << ".group" << g << ".example.net\n";
        out << "Wildcard=1\nMailEx=\nBackupMX=0\nEnable=1\nSecure=1\nLastUpdate=20071231235900\n"
            << "IP=203.0.113.7\nUpdateResult=1\nReturnStr=good 203.0.113.7\n";
        for (int h = 1; h <= 6; ++h)
            out << "host" << h << ".group" << g << ".example.net=good\n";
        out << "\n";
    }
    return path;
}

const std::string& ConfigFile() {
    static const std::string path = MakeConfig();
    return path;
}

void BM_ReadFirstSection(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(hostaq::IniReadString(ConfigFile(), "Options", "CheckingInt", ""));
}
BENCHMARK(BM_ReadFirstSection)->Unit(benchmark::kMicrosecond);

void BM_ReadLastGroup(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(hostaq::IniReadString(ConfigFile(), "Group 199", "ReturnStr", ""));
}
BENCHMARK(BM_ReadLastGroup)->Unit(benchmark::kMicrosecond);

void BM_ReadMissingKey(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(hostaq::IniReadString(ConfigFile(), "Nowhere", "Nothing", "default"));
}
BENCHMARK(BM_ReadMissingKey)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
