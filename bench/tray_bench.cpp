// The tray program's cost on a desktop: from start to its icon in the notification area, the
// resident memory and idle CPU with 100 groups after one update run (window hidden), and the CPU
// the update animation takes while a run waits for a slow provider. Runs the real program under
// Xvfb with trayer as the notification area; skipped where they are missing.
#include "BenchSupport.h"

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

bool OnPath(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Capture(const std::string& command) {
    std::string text;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while (pipe && (n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0)
        text.append(buffer.data(), n);
    return text;
}

pid_t Spawn(const std::vector<std::string>& argv, const std::string& folder = ".") {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.c_str()) != 0)
            ::_exit(126);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<char*> args;
        for (const std::string& s : argv)
            args.push_back(const_cast<char*>(s.c_str()));
        args.push_back(nullptr);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    return pid;
}

void Stop(pid_t pid) {
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
}

bool WaitUntil(const std::function<bool()>& cond, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// An X server with trayer on it, for the life of the object.
class TDesktop {
public:
    TDesktop() {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        xvfb_ = ::fork();
        if (xvfb_ == 0) {
            ::close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24", "-nolisten",
                     "tcp", nullptr);
            ::_exit(127);
        }
        ::close(fds[1]);
        std::string number;
        char c = 0;
        while (::read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(fds[0]);
        ::setenv("DISPLAY", (":" + number).c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        ::unsetenv("WAYLAND_DISPLAY");
        trayer_ = Spawn(
            {"trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24"});
        WaitUntil([] { return Tree().find("(\"panel\" \"trayer\")") != std::string::npos; }, 10000);
    }
    ~TDesktop() {
        Stop(trayer_);
        Stop(xvfb_);
    }
    static std::string Tree() { return Capture("xwininfo -root -tree 2>/dev/null"); }
    static bool IconInTray() {
        const std::string tree = Tree();
        const std::size_t panel = tree.find("(\"panel\" \"trayer\")");
        return panel != std::string::npos && tree.find("(\"hostaq\" ", panel) != std::string::npos;
    }

private:
    pid_t xvfb_ = -1;
    pid_t trayer_ = -1;
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
        WaitUntil(&TDesktop::IconInTray, 20000);
        const double toIconMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        WaitUntil([&] { return LogText(config.Folder()).find("Update result:") != std::string::npos; },
                  30000);
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const long rss = ResidentKiB(pid);
        const double before = ProcessCpuSeconds(pid);
        std::this_thread::sleep_for(std::chrono::seconds(30));
        const double idle = ProcessCpuSeconds(pid) - before;
        Stop(pid);
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
        WaitUntil(&TDesktop::IconInTray, 20000);
        // The first check comes a second after the start; all requests are out shortly after.
        WaitUntil([&] { return provider.Requests() >= 10; }, 20000);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const double before = ProcessCpuSeconds(pid);
        std::this_thread::sleep_for(std::chrono::seconds(5));
        const double used = ProcessCpuSeconds(pid) - before;
        Stop(pid);
        state.counters["animation_cpu_percent"] = used / 5.0 * 100.0;
    }
}
BENCHMARK(BM_TrayUpdateAnimation)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
