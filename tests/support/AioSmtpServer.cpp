#include "AioSmtpServer.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace hostaq::test {

namespace {

using TSteady = std::chrono::steady_clock;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// Runs argv with standard output to outFd (or /dev/null) and standard error to errPath.
pid_t Spawn(const std::vector<std::string>& args, int outFd, const std::string& errPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits for the process to end, at most timeoutMs; its exit status, or -1.
int WaitExit(pid_t pid, int timeoutMs) {
    const auto deadline = TSteady::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        if (r < 0 || TSteady::now() >= deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace

std::string TAioSmtpServer::FindPython() {
    static const std::string found = [] {
        for (const char* candidate : {"/usr/bin/python3", "python3"}) {
            pid_t pid = Spawn({candidate, "-c", "import aiosmtpd"}, -1, "/dev/null");
            if (pid > 0 && WaitExit(pid, 20000) == 0)
                return std::string(candidate);
        }
        return std::string();
    }();
    return found;
}

TAioSmtpServer::TAioSmtpServer(TOptions options) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "hostaq-smtp-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) {
        error_ = "cannot create a folder";
        return;
    }
    folder_ = tmpl;
    const std::string python = FindPython();
    if (python.empty()) {
        error_ = "python3-aiosmtpd is not installed";
        return;
    }
    const std::string store = folder_ + "/mail";
    std::filesystem::create_directory(store);
    std::vector<std::string> args = {python,       HOSTAQ_SMTP_STORE_SCRIPT, store, "--user", options.User,
                                     "--password", options.Password};
    if (options.TlsCert) {
        WriteFile(folder_ + "/cert.pem", options.TlsCert->CertPem);
        WriteFile(folder_ + "/key.pem", options.TlsCert->KeyPem);
        args.insert(args.end(), {"--cert", folder_ + "/cert.pem", "--key", folder_ + "/key.pem"});
    }
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        error_ = "pipe failed";
        return;
    }
    pid_ = Spawn(args, out[1], folder_ + "/server.err");
    ::close(out[1]);
    if (pid_ < 0) {
        ::close(out[0]);
        error_ = "cannot start " + python;
        return;
    }
    // The first line of its output is the port; the server is listening by then.
    std::string line;
    const auto deadline = TSteady::now() + std::chrono::seconds(20);
    while (line.find('\n') == std::string::npos && TSteady::now() < deadline) {
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char buf[64];
        ssize_t n = ::read(out[0], buf, sizeof buf);
        if (n <= 0)
            break;
        line.append(buf, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    port_ = std::atoi(line.c_str());
    if (port_ <= 0)
        error_ = "aiosmtpd did not start: " + ReadAll(folder_ + "/server.err");
}

TAioSmtpServer::~TAioSmtpServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        if (WaitExit(pid_, 5000) < 0) {
            ::kill(pid_, SIGKILL);
            WaitExit(pid_, 5000);
        }
    }
    if (!folder_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
}

std::vector<TAioSmtpServer::TStored> TAioSmtpServer::Messages() const {
    std::vector<TStored> messages;
    for (int i = 1;; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%03d", i);
        const std::string base = folder_ + "/mail/" + name;
        if (!std::filesystem::exists(base + ".json"))
            break;
        messages.push_back({ReadAll(base + ".eml"), ReadAll(base + ".json")});
    }
    return messages;
}

} // namespace hostaq::test
