// How soon a new address reaches the provider when the network changes: inside a network
// namespace of its own, the headless monitor (checking interval 5 minutes) watches a veth
// interface; each change is an "ip addr add" while the check page starts answering a new
// address, and the time runs until the loopback provider receives the update request. Then the
// machine stays quiet and the check-page requests are counted.
//   HOSTAQ_QUIET_SECONDS (default 60) sets the quiet time; 600 is the full ten minutes.
// Needs root (the namespace).
#include "BenchSupport.h"
#include "config/IniFile.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <condition_variable>
#include <csignal>
#include <map>
#include <optional>
#include <poll.h>
#include <sched.h>
#include <sys/wait.h>

namespace {

using namespace hostaq;
using namespace hostaq::bench;
using Clock = std::chrono::steady_clock;

// A plain-HTTP provider and check page on 127.0.0.1, one connection at a time: the page shows
// the address set last; an update request is stamped with its arrival.
class TChangingProvider {
public:
    TChangingProvider() {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(listen_, 64);
        socklen_t len = sizeof addr;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~TChangingProvider() {
        stop_ = true;
        ::shutdown(listen_, SHUT_RDWR);
        thread_.join();
        ::close(listen_);
    }
    std::string HostPort() const { return "127.0.0.1:" + std::to_string(port_); }
    void SetPage(const std::string& address) {
        std::lock_guard lock(mutex_);
        page_ = address;
    }
    int PageRequests() const { return pageRequests_.load(); }
    // Waits (bounded) for an update request carrying address; the moment it arrived.
    std::optional<Clock::time_point> WaitForUpdate(const std::string& address, std::chrono::seconds limit) {
        std::unique_lock lock(mutex_);
        if (!cv_.wait_for(lock, limit, [&] { return updates_.count(address) != 0; }))
            return std::nullopt;
        return updates_[address];
    }

private:
    void Serve() {
        while (!stop_) {
            const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            std::string request;
            char buf[2048];
            pollfd p{fd, POLLIN, 0};
            while (request.find("\r\n\r\n") == std::string::npos && ::poll(&p, 1, 5000) > 0) {
                const ssize_t n = ::read(fd, buf, sizeof buf);
                if (n <= 0)
                    break;
                request.append(buf, static_cast<std::size_t>(n));
            }
            const auto arrived = Clock::now();
            std::string body;
            {
                std::lock_guard lock(mutex_);
                const std::size_t ip = request.find("myip=");
                if (request.rfind("GET /nic/update", 0) == 0 && ip != std::string::npos) {
                    const std::string address =
                        request.substr(ip + 5, request.find_first_of("& ", ip) - ip - 5);
                    updates_.emplace(address, arrived);
                    body = "good " + address + "\n";
                } else {
                    ++pageRequests_;
                    body = "Current IP Address: " + page_ + "\r\n";
                }
            }
            cv_.notify_all();
            const std::string answer =
                "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
            [[maybe_unused]] ssize_t w = ::write(fd, answer.data(), answer.size());
            ::close(fd);
        }
    }

    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> pageRequests_{0};
    std::mutex mutex_;
    std::condition_variable cv_;
    std::string page_ = "203.0.113.7";
    std::map<std::string, Clock::time_point> updates_;
    std::thread thread_;
};

bool Ip(const std::string& args) {
    return std::system(("ip " + args + " >/dev/null 2>&1").c_str()) == 0;
}

void BM_NetworkChangeToUpdate(benchmark::State& state) {
    if (::geteuid() != 0 || ::unshare(CLONE_NEWNET) != 0) {
        state.SkipWithError("needs root for a network namespace");
        return;
    }
    if (!Ip("link set lo up") || !Ip("link add v0 type veth peer name v1") || !Ip("link set v0 up") ||
        !Ip("link set v1 up") || !Ip("addr add 198.51.100.2/24 dev v0")) {
        state.SkipWithError("cannot make the veth pair");
        return;
    }
    const char* quietEnv = std::getenv("HOSTAQ_QUIET_SECONDS");
    const int quietSeconds = quietEnv != nullptr ? std::atoi(quietEnv) : 60;
    TChangingProvider provider;
    TBenchConfig config(1, provider.HostPort(), false);
    IniWriteString(config.Path(), "Options", "CheckingInt", "5");
    IniWriteString(config.Path(), "Options", "EventCheckGap", "2");
    for (auto _ : state) {
        const pid_t pid = StartHeadless(config.Folder(), config.Folder() + "/out.txt");
        // The first check (FirstCheckDelay 1 s) sends the address the page shows at start.
        const bool started = provider.WaitForUpdate("203.0.113.7", std::chrono::seconds(30)).has_value();
        std::vector<double> latencies;
        for (int i = 1; started && i <= 20; ++i) {
            // Past the gap since the last event check.
            std::this_thread::sleep_for(std::chrono::milliseconds(2500));
            const std::string address = "203.0.113." + std::to_string(10 + i);
            provider.SetPage(address);
            const auto begin = Clock::now();
            Ip("addr add 198.51.100." + std::to_string(10 + i) + "/24 dev v0");
            const auto arrived = provider.WaitForUpdate(address, std::chrono::seconds(10));
            if (!arrived)
                break;
            latencies.push_back(std::chrono::duration<double>(*arrived - begin).count());
        }
        std::this_thread::sleep_for(std::chrono::seconds(3));
        const int pagesBefore = provider.PageRequests();
        std::this_thread::sleep_for(std::chrono::seconds(quietSeconds));
        const int quietPages = provider.PageRequests() - pagesBefore;
        ::kill(pid, SIGTERM);
        int status = 0;
        ::waitpid(pid, &status, 0);
        std::vector<double> sorted = latencies;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t n = sorted.size();
        state.counters["changes_sent"] = static_cast<double>(n);
        state.counters["median_s"] =
            n == 0 ? -1 : (n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2);
        state.counters["worst_s"] = n == 0 ? -1 : sorted.back();
        state.counters["best_s"] = n == 0 ? -1 : sorted.front();
        state.counters["quiet_s"] = quietSeconds;
        state.counters["quiet_page_requests"] = quietPages;
        // The regular checks that fall in the quiet time at a 5-minute interval.
        state.counters["interval_checks_allowed"] = quietSeconds / 300 + (quietSeconds % 300 ? 1 : 0);
    }
}
BENCHMARK(BM_NetworkChangeToUpdate)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
