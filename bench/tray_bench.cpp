// The tray program's cost on a desktop: from start to its icon in the notification area, the
// resident memory and idle CPU with 100 groups after one update run (window hidden), and the CPU
// the update animation takes while a run waits for a slow provider. Runs the real program under
// Xvfb with trayer as the notification area; skipped where they are missing.
#include "BenchSupport.h"
#include "XDesktop.h"

#include <benchmark/benchmark.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <sys/wait.h>

namespace {

using namespace hostaq::bench;
using namespace hostaq::test;

// The X server with trayer on it, for the life of the object; the program runs on its display.
class TDesktop {
public:
    TDesktop() {
        if (x_.Display().empty())
            return;
        ::setenv("DISPLAY", x_.Display().c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        ::unsetenv("WAYLAND_DISPLAY");
        trayer_ = std::make_unique<TChild>(TrayerCommand());
        WaitUntil(TrayerRuns, 10000);
    }

private:
    TXServer x_;
    std::unique_ptr<TChild> trayer_;
};

std::string LogText(const std::string& folder) {
    std::string text;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().extension() == ".log") {
            std::ifstream in(e.path());
            text.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    return text;
}

// Start to icon, then memory and idle CPU after the first update run of 100 groups.
void BM_TrayStartIdle100Groups(benchmark::State& state) {
    if (!OnPath("Xvfb") || !OnPath("trayer") || !OnPath("xwininfo")) {
        state.SkipWithError("Xvfb, trayer or xwininfo missing");
        return;
    }
    TDesktop desktop;
    TBenchProvider provider(0, false);
    TBenchConfig config(100, provider.HostPort(), false);
    // A running tray program of the user's own must not take the start for itself.
    ::setenv("XDG_RUNTIME_DIR", config.Folder().c_str(), 1);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = Spawn({HostaqBinary(), "./hostaq.ini"}, config.Folder());
        WaitUntil(IconInTray, 20000);
        const double toIconMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        WaitUntil([&] { return LogText(config.Folder()).find("Update result:") != std::string::npos; },
                  30000);
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const long rss = ResidentKiB(pid);
        const double before = ProcessCpuSeconds(pid);
        std::this_thread::sleep_for(std::chrono::seconds(30));
        const double idle = ProcessCpuSeconds(pid) - before;
        StopChild(pid);
        state.counters["start_to_icon_ms"] = toIconMs;
        state.counters["rss_MiB_after_update"] = static_cast<double>(rss) / 1024.0;
        state.counters["idle_cpu_s_per_min"] = idle * 2;
        state.counters["requests"] = provider.Requests();
    }
}
BENCHMARK(BM_TrayStartIdle100Groups)->Iterations(1)->Unit(benchmark::kSecond);

// The update animation: a run over 10 groups waits 8 s for the provider while the icon turns
// every 250 ms; the CPU over 5 s of that wait is the animation's cost.
void BM_TrayUpdateAnimation(benchmark::State& state) {
    if (!OnPath("Xvfb") || !OnPath("trayer") || !OnPath("xwininfo")) {
        state.SkipWithError("Xvfb, trayer or xwininfo missing");
        return;
    }
    TDesktop desktop;
    TBenchProvider provider(8000, false);
    TBenchProvider page(0, false);
    TBenchConfig config(10, provider.HostPort(), false, page.HostPort());
    ::setenv("XDG_RUNTIME_DIR", config.Folder().c_str(), 1);
    for (auto _ : state) {
        const pid_t pid = Spawn({HostaqBinary(), "./hostaq.ini"}, config.Folder());
        WaitUntil(IconInTray, 20000);
        // The first check comes a second after the start; all requests are out shortly after.
        WaitUntil([&] { return provider.Requests() >= 10; }, 20000);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const double before = ProcessCpuSeconds(pid);
        std::this_thread::sleep_for(std::chrono::seconds(5));
        const double used = ProcessCpuSeconds(pid) - before;
        StopChild(pid);
        state.counters["animation_cpu_percent"] = used / 5.0 * 100.0;
    }
}
BENCHMARK(BM_TrayUpdateAnimation)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
