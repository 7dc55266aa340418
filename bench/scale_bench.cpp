// The cost of an update run as the number of groups grows: `hostaq --once` over N groups of one
// host each against a loopback provider that answers every update after 300 ms. Reports the
// program's wall time, CPU (user + system) and peak resident memory, and the CPU of the
// start-up routine up to the armed first check. The run is bound by two round trips (the check
// page, then the updates), so its cost beyond about 0.6 s is the program's own.
#include "BenchSupport.h"
#include "config/ConfigPath.h"
#include "engine/Engine.h"
#include "engine/PollEventLoop.h"
#include "log/Log.h"
#include "log/LogSettings.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace hostaq;
using namespace hostaq::bench;

constexpr int ProviderDelayMs = 300;

std::string HostaqBinary() {
    if (const char* env = std::getenv("HOSTAQ_BINARY"))
        return env;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    return std::filesystem::path(self).parent_path().parent_path().string() + "/src/app/hostaq";
}

double Seconds(const timeval& tv) {
    return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) / 1e6;
}

// hostaq --once over the given number of groups, every group due (the address changed).
void BM_OnceRun(benchmark::State& state) {
    const int groups = static_cast<int>(state.range(0));
    TBenchProvider provider(ProviderDelayMs, false);
    TBenchConfig config(groups, provider.HostPort(), false);
    double wall = 0, cpu = 0, rssMiB = 0;
    int failures = 0;
    for (auto _ : state) {
        state.PauseTiming();
        config.Write(groups, provider.HostPort(), false);
        const int before = provider.Requests();
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::chdir(config.Folder().c_str()) != 0)
                ::_exit(126);
            const int fd = ::open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            const std::string bin = HostaqBinary();
            ::execl(bin.c_str(), bin.c_str(), "--once", "./hostaq.ini", nullptr);
            ::_exit(127);
        }
        int status = 0;
        rusage usage{};
        ::wait4(pid, &status, 0, &usage);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        wall += seconds;
        cpu += Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
        rssMiB = std::max(rssMiB, static_cast<double>(usage.ru_maxrss) / 1024.0);
        // One check page and one update per group, and a clean exit.
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || provider.Requests() - before != groups + 1)
            ++failures;
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["wall_s"] = wall / runs;
    state.counters["cpu_s"] = cpu / runs;
    state.counters["cpu_ms_per_group"] = cpu / runs * 1000 / groups;
    state.counters["peak_rss_MiB"] = rssMiB;
    state.counters["failed_runs"] = failures;
}
BENCHMARK(BM_OnceRun)
    ->Arg(100)
    ->Arg(500)
    ->Arg(1000)
    ->Arg(2000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// CPU of the start-up routine up to the armed first check, the configuration read afresh each
// time (a new file under the name, as after a hand edit).
void BM_StartUpToFirstCheck(benchmark::State& state) {
    const int groups = static_cast<int>(state.range(0));
    TBenchConfig config(groups, "127.0.0.1:9", false);
    SetConfigPath(config.Path());
    SetCurrentLogFileName(config.Folder() + "/hostaq.log");
    for (auto _ : state) {
        state.PauseTiming();
        config.Write(groups, "127.0.0.1:9", false);
        state.ResumeTiming();
        TPollEventLoop loop;
        TPresenter presenter;
        ApplyLogSettings(false);
        TEngine engine(loop, presenter);
        engine.StartUpSequence();
        benchmark::DoNotOptimize(engine.NextCheckTime());
    }
    ResetLogger();
    SetConfigPath("");
}
BENCHMARK(BM_StartUpToFirstCheck)->Arg(1000)->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
