// The monitor over a long life: 10,000 address changes, each found by a check of the loopback
// check page and sent to the loopback provider over TLS. The heartbeat is driven through the
// clock seam (one checking interval per change), so the run takes minutes, not weeks. Reports
// the resident memory, open descriptors and threads at the 1,000th and the 10,000th change, and
// whether every change reached the provider exactly once.
#include "BenchSupport.h"
#include "config/Clock.h"
#include "config/ConfigPath.h"
#include "config/IniFile.h"
#include "engine/Engine.h"
#include "engine/PollEventLoop.h"
#include "net/WorkerThread.h"

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <malloc.h>
#include <poll.h>

namespace {

using namespace hostaq;
using namespace hostaq::bench;

constexpr int Changes = 10000;
constexpr int EarlyMark = 1000;

// The n-th address of the run: public, and never the same twice in a row.
std::string AddressOf(int n) {
    return "11.0." + std::to_string(n / 250) + "." + std::to_string(n % 250 + 1);
}

// One connection at a time on one thread, so the server's own threads and memory stay flat: the
// check page answers the current address, /nic/update records the address it was sent.
class TSequentialServer {
public:
    explicit TSequentialServer(bool tls) : tls_(tls ? MakeTlsContext() : nullptr) {
        listen_ = ListenLoopback(64, port_);
        thread_ = std::thread([this] { Serve(); });
    }
    ~TSequentialServer() {
        stop_ = true;
        thread_.join();
        ::close(listen_);
        if (tls_)
            SSL_CTX_free(tls_);
    }
    std::string HostPort() const { return "127.0.0.1:" + std::to_string(port_); }
    void Show(const std::string& address) {
        std::lock_guard lock(mutex_);
        shown_ = address;
    }
    std::vector<std::string> Sent() const {
        std::lock_guard lock(mutex_);
        return sent_;
    }

private:
    void Serve() {
        while (!stop_) {
            pollfd p{listen_, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0)
                Answer(fd);
        }
    }
    void Answer(int fd) {
        ServeOneRequest(fd, tls_, [this](const std::string& request) {
            std::lock_guard lock(mutex_);
            if (request.rfind("GET /nic/update", 0) != 0)
                return "Current IP Address: " + shown_ + "\r\n";
            const std::size_t ip = request.find("myip=") + 5;
            const std::string address = request.substr(ip, request.find_first_of("& ", ip) - ip);
            sent_.push_back(address);
            return "good " + address + "\n";
        });
    }

    SSL_CTX* tls_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::string shown_;
    std::vector<std::string> sent_;
    std::thread thread_;
};

long OpenDescriptors() {
    long count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir) != nullptr)
            ++count;
        ::closedir(dir);
    }
    return count - 3; // ".", ".." and the listing's own descriptor
}

struct TMark {
    long RssKiB;
    long AnonKiB;
    long Fds;
    long Threads;
};

TMark Measure() {
    return {ResidentKiB(::getpid()), ProcKiB(::getpid(), "status", "RssAnon"), OpenDescriptors(),
            ProcKiB(::getpid(), "status", "Threads")};
}

void BM_Soak10000AddressChanges(benchmark::State& state) {
    // As the program's main() sets it.
    mallopt(M_ARENA_MAX, 2);
    TSequentialServer provider(true);
    TSequentialServer page(false);
    TBenchConfig config(1, provider.HostPort(), true, page.HostPort());
    SetConfigPath(config.Path());
    TManualClock clock(TDateTime::FromParts(2026, 1, 1, 0, 0, 0));
    TClockGuard clockGuard(&clock);
    for (auto _ : state) {
        TPollEventLoop loop;
        InstallMainThreadLoop(&loop);
        TPresenter presenter;
        TEngine engine(loop, presenter);
        engine.SetHeartbeatAllowed(false); // the heartbeat is called below, once per interval
        engine.StartUpSequence();
        TMark early{};
        int changes = 0;
        for (int n = 0; n < Changes; ++n) {
            page.Show(AddressOf(n));
            clock.AdvanceSecs(6 * 60);
            // First beat: the check starts; then the beat that processes it and starts the run.
            engine.Heartbeat();
            while (engine.AddressState() == AddressChecking)
                loop.RunOnce(1000);
            engine.Heartbeat();
            // The run's end is noticed by the animation timer; it is driven as fast as the
            // heartbeat, so the run ends as soon as its last group has.
            while (engine.RunInProgress()) {
                loop.RunOnce(20);
                if (engine.TimerUpdateAnim.Enabled())
                    engine.TimerUpdateAnim.OnTimer();
            }
            ++changes;
            if (changes == EarlyMark) {
                loop.WaitWhile([] { return LiveWorkers() > 0; }, 10000);
                ReleaseWorkerStacks();
                early = Measure();
            }
        }
        loop.WaitWhile([] { return LiveWorkers() > 0; }, 10000);
        ReleaseWorkerStacks();
        const TMark late = Measure();
        const std::vector<std::string> sent = provider.Sent();
        bool eachOnce = sent.size() == static_cast<std::size_t>(Changes);
        for (std::size_t i = 0; eachOnce && i < sent.size(); ++i)
            eachOnce = sent[i] == AddressOf(static_cast<int>(i));
        state.counters["changes"] = changes;
        state.counters["updates_received"] = static_cast<double>(sent.size());
        state.counters["each_change_sent_once"] = eachOnce ? 1 : 0;
        state.counters["rss_MiB_at_1000"] = static_cast<double>(early.RssKiB) / 1024.0;
        state.counters["rss_MiB_at_10000"] = static_cast<double>(late.RssKiB) / 1024.0;
        state.counters["rss_growth_KiB"] = static_cast<double>(late.RssKiB - early.RssKiB);
        state.counters["anon_growth_KiB"] = static_cast<double>(late.AnonKiB - early.AnonKiB);
        state.counters["fds_at_1000"] = static_cast<double>(early.Fds);
        state.counters["fds_at_10000"] = static_cast<double>(late.Fds);
        state.counters["threads_at_1000"] = static_cast<double>(early.Threads);
        state.counters["threads_at_10000"] = static_cast<double>(late.Threads);
        InstallMainThreadLoop(nullptr);
    }
    SetConfigPath("");
}
BENCHMARK(BM_Soak10000AddressChanges)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
