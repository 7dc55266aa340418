// One group's update request whose answer floods: a loopback provider answers 20,000 lines for
// a one-host group. The work is bounded by the group's host count: one result, one log line
// about the rest, one replace of the file, whatever the answer's length.
#include "config/ConfigPath.h"
#include "config/IniFile.h"
#include "groups/DynAcc.h"
#include "groups/HostaqUpdate.h"
#include "groups/UpdateUrl.h"
#include "log/Log.h"
#include "net/MainThread.h"
#include "net/WorkerThread.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace hostaq;

// Answers every request with the same long body, then closes.
class TFloodProvider {
public:
    explicit TFloodProvider(int lines) {
        body_ = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n";
        for (int i = 0; i < lines; ++i)
            body_ += "good 192.0.2.1\n";
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(listen_, 16);
        socklen_t len = sizeof addr;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] {
            for (;;) {
                const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd < 0)
                    return;
                char buffer[4096];
                std::string request;
                while (request.find("\r\n\r\n") == std::string::npos) {
                    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
                    if (n <= 0)
                        break;
                    request.append(buffer, static_cast<std::size_t>(n));
                }
                for (std::size_t sent = 0; sent < body_.size();) {
                    const ssize_t n = ::send(fd, body_.data() + sent, body_.size() - sent, MSG_NOSIGNAL);
                    if (n <= 0)
                        break;
                    sent += static_cast<std::size_t>(n);
                }
                ::close(fd);
            }
        });
    }
    ~TFloodProvider() {
        ::shutdown(listen_, SHUT_RDWR);
        ::close(listen_);
        thread_.join();
    }
    std::string HostPort() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    std::string body_;
    int listen_ = -1;
    int port_ = 0;
    std::thread thread_;
};

void BM_FloodedAnswer(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    char folder[] = "/tmp/hostaq-bench-XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string path = std::string(folder) + "/hostaq.ini";
    SetConfigPath(path);
    TFloodProvider provider(lines);
    IniWriteString(path, "Options", "UpdateHost", provider.HostPort());
    TDynAcc group;
    InitGroup(group);
    group.UserID = "joe";
    group.Password = "secret";
    group.Secure = false;
    group.NumOfHosts = 1;
    group.Hosts[0] = "a.example";
    SaveGroup(path, "G", group);
    int logLines = 0;
    const int sink = AddLogSink([&](int, const std::string&) { ++logLines; });
    TPumpedDispatcher loop;
    for (auto _ : state) {
        THostaqUpdate controller(path);
        controller.StartUpdate("192.0.2.1", "G", BuildUpdateURL(path, "G", "192.0.2.1", "", false));
        loop.PumpUntil([&] { return controller.Done; }, 30000);
    }
    loop.PumpUntil([] { return LiveWorkers() == 0; }, 10000);
    RemoveLogSink(sink);
    state.counters["log_lines_per_answer"] =
        static_cast<double>(logLines) / static_cast<double>(state.iterations());
    SetConfigPath("");
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_FloodedAnswer)->Arg(20000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
