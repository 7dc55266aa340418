// The monitor's cost: an update run over 100 groups against a provider that answers after
// 500 ms, the CPU of the start-up to the first check, and the headless program's idle CPU and
// resident memory after an update over TLS.
#include "BenchSupport.h"
#include "config/ConfigPath.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "engine/Engine.h"
#include "engine/PollEventLoop.h"
#include "groups/DynAcc.h"
#include "log/Log.h"
#include "log/LogSettings.h"
#include "net/WorkerThread.h"

#include <benchmark/benchmark.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace hostaq;

using namespace hostaq::bench;

// One forced update run over 100 groups; the provider answers each request after 500 ms, so
// the run takes about 500 ms only when the requests travel together.
void BM_UpdateRun100Groups(benchmark::State& state) {
    TBenchProvider provider(500, false);
    TBenchConfig config(100, provider.HostPort(), false);
    SetConfigPath(config.Path());
    TPollEventLoop loop;
    InstallMainThreadLoop(&loop);
    TPresenter presenter;
    TEngine engine(loop, presenter);
    engine.SetHeartbeatAllowed(false);
    engine.StartUpSequence();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        engine.StartForcedRun();
        while (engine.RunInProgress())
            loop.RunOnce(-1);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        // How long sending every request took: the run waits 500 ms after the last one.
        state.counters["last_request_sent_ms"] = provider.LastRequestMs(start);
    }
    loop.WaitWhile([] { return LiveWorkers() > 0; }, 10000);
    state.counters["requests"] = provider.Requests();
    InstallMainThreadLoop(nullptr);
    SetConfigPath("");
}
BENCHMARK(BM_UpdateRun100Groups)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// CPU of the start-up routine with 100 groups, up to the armed first check.
void BM_StartUp100Groups(benchmark::State& state) {
    TBenchConfig config(100, "127.0.0.1:9", false);
    SetConfigPath(config.Path());
    SetCurrentLogFileName(config.Folder() + "/hostaq.log");
    for (auto _ : state) {
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
BENCHMARK(BM_StartUp100Groups)->Iterations(5)->Unit(benchmark::kMillisecond);

// CPU of one processed check that finds nothing to do, with 100 up-to-date groups: the
// monitor's regular work every CheckingInt minutes.
void BM_QuietCheck100Groups(benchmark::State& state) {
    TBenchConfig config(100, "127.0.0.1:9", false);
    SetConfigPath(config.Path());
    IniWriteString(config.Path(), "IPAddress", "SetIPManual", "1");
    IniWriteString(config.Path(), "IPAddress", "ManualIP", "203.0.113.7");
    IniWriteString(config.Path(), "Update", "IP", "203.0.113.7");
    for (int i = 1; i <= 100; ++i)
        IniWriteString(config.Path(), "Group" + std::to_string(i), "IP", "203.0.113.7");
    TPollEventLoop loop;
    TPresenter presenter;
    TEngine engine(loop, presenter);
    engine.StartUpSequence();
    for (auto _ : state) {
        engine.CheckAddress();
        engine.ProcessCheckResult();
        benchmark::DoNotOptimize(engine.NextCheckTime());
    }
    SetConfigPath("");
}
BENCHMARK(BM_QuietCheck100Groups)->Iterations(10)->Unit(benchmark::kMillisecond);

// hostaq --headless with 100 groups: an update over TLS, then idle. Reports the CPU of the
// start-up to the first check, the idle CPU per minute (measured over 30 s) and the resident
// memory after the update.
void BM_HeadlessIdle100GroupsTls(benchmark::State& state) {
    TBenchProvider provider(0, true);
    TBenchProvider page(0, false); // the check-ip page stays plain; the updates go over TLS
    TBenchConfig config(100, provider.HostPort(), true, page.HostPort());
    for (auto _ : state) {
        const std::string out = config.Folder() + "/out.txt";
        const pid_t pid = StartHeadless(config.Folder(), out);
        auto outputHas = [&](const std::string& text) {
            std::ifstream in(out);
            std::string s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            return s.find(text) != std::string::npos;
        };
        auto waitFor = [&](const std::string& text) {
            for (int i = 0; i < 3000 && !outputHas(text); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        };
        waitFor("Hostaq Updater ready...");
        const double startupCpu = ProcessCpuSeconds(pid);
        const long rssBefore = ResidentKiB(pid);
        waitFor("Update result:");
        waitFor("Next force update:");
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const long rss = ResidentKiB(pid);
        // Resident memory counts the shared libraries' pages in full; the private part is what
        // the program itself holds.
        const long anon = ProcKiB(pid, "smaps_rollup", "Anonymous");
        const long pss = ProcKiB(pid, "smaps_rollup", "Pss");
        const double before = ProcessCpuSeconds(pid);
        std::this_thread::sleep_for(std::chrono::seconds(30));
        const double idle = ProcessCpuSeconds(pid) - before;
        ::kill(pid, SIGTERM);
        int status = 0;
        ::waitpid(pid, &status, 0);
        state.counters["startup_cpu_ms"] = startupCpu * 1000;
        state.counters["idle_cpu_s_per_min"] = idle * 2;
        state.counters["rss_MiB_after_tls_update"] = static_cast<double>(rss) / 1024.0;
        state.counters["rss_MiB_at_start"] = static_cast<double>(rssBefore) / 1024.0;
        state.counters["anon_MiB_after_tls_update"] = static_cast<double>(anon) / 1024.0;
        state.counters["pss_MiB_after_tls_update"] = static_cast<double>(pss) / 1024.0;
        state.counters["updated"] = outputHas("Update result: No error") ? 1 : 0;
        state.counters["requests"] = provider.Requests();
    }
}
BENCHMARK(BM_HeadlessIdle100GroupsTls)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
