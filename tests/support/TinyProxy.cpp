#include "TinyProxy.h"

#include "LoopbackServer.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace hostaq::test {

namespace {

bool CanConnect(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

} // namespace

TTinyProxy::TTinyProxy(const std::string& folder) {
    if (::access(Program, X_OK) != 0) {
        problem_ = std::string(Program) + " is not installed (apt-get install tinyproxy)";
        return;
    }
    port_ = FreeLoopbackPort();
    std::string conf = folder + "/tinyproxy.conf";
    {
        std::ofstream out(conf);
        out << "Port " << port_ << "\n"
            << "Listen 127.0.0.1\n"
            << "Timeout 30\n"
            << "MaxClients 20\n"
            << "Allow 127.0.0.1\n"
            << "LogLevel Error\n"
            << "LogFile \"" << folder << "/tinyproxy.log\"\n"
            << "PidFile \"" << folder << "/tinyproxy.pid\"\n"
            << "DisableViaHeader Yes\n";
        if (::geteuid() == 0)
            out << "User nobody\nGroup nogroup\n";
    }
    // The log and pid files must be writable after tinyproxy drops to nobody.
    ::chmod(folder.c_str(), 0777);

    const char* argv[] = {Program, "-d", "-c", conf.c_str(), nullptr};
    pid_t pid = -1;
    // Its output goes to the log file; inherited pipes would keep a test runner's output open.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    int spawned = posix_spawn(&pid, Program, &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        problem_ = "cannot start tinyproxy";
        return;
    }
    pid_ = pid;
    // Bounded wait until it listens.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!CanConnect(port_)) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            problem_ = "tinyproxy ended at start-up (see " + folder + "/tinyproxy.log)";
            return;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            problem_ = "tinyproxy did not listen within 10 s";
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

TTinyProxy::~TTinyProxy() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
}

} // namespace hostaq::test
