#include "platform/SingleInstance.h"

#include "config/PrivateFile.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace hostaq {

namespace {
std::string DefaultRuntimeFolder() {
    if (const char* dir = std::getenv("XDG_RUNTIME_DIR"); dir != nullptr && *dir == '/')
        return dir;
    // A private folder of this user; one that someone else owns is not used.
    const std::string folder = "/tmp/hostaq-" + std::to_string(::getuid());
    ::mkdir(folder.c_str(), 0700);
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return {};
    return folder;
}

bool FillAddress(const std::string& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof(addr));
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof(addr.sun_path))
        return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

void CloseFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}
} // namespace

TSingleInstance::TSingleInstance(std::string folder, std::string name)
    : folder_(folder.empty() ? DefaultRuntimeFolder() : std::move(folder)), name_(std::move(name)) {}

TSingleInstance::~TSingleInstance() {
    Stop();
    if (listenFd_ >= 0) {
        CloseFd(listenFd_);
        ::unlink(SocketPath().c_str());
    }
    CloseFd(lockFd_);
}

std::string TSingleInstance::LockPath() const {
    return folder_ + "/" + name_ + ".lock";
}

std::string TSingleInstance::SocketPath() const {
    return folder_ + "/" + name_ + ".sock";
}

bool TSingleInstance::Acquire() {
    if (folder_.empty())
        return true;
    lockFd_ = ::open(LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd_ < 0)
        return true;
    if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        CloseFd(lockFd_);
        if (errno != EWOULDBLOCK)
            return true;
        // The first instance may still be setting up its socket: try for a moment.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (!SendShowRequest(SocketPath()) && std::chrono::steady_clock::now() < until)
            ::usleep(20000);
        return false;
    }
    // The lock is ours, so a socket file left behind is stale.
    sockaddr_un addr{};
    if (!FillAddress(SocketPath(), addr))
        return true;
    ::unlink(SocketPath().c_str());
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0)
        return true;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::listen(listenFd_, 4) != 0)
        CloseFd(listenFd_);
    return true;
}

bool TSingleInstance::SendShowRequest(const std::string& socketPath) {
    sockaddr_un addr{};
    if (!FillAddress(socketPath, addr))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool sent = false;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0) {
        const std::string message = std::string(ShowRequestMessage) + "\n";
        sent =
            ::send(fd, message.data(), message.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(message.size());
    }
    ::close(fd);
    return sent;
}

void TSingleInstance::Listen(TPost post, std::function<void()> onShowRequest) {
    if (listenFd_ < 0 || thread_.joinable())
        return;
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC);
    if (wakeFd_ < 0)
        return;
    post_ = std::move(post);
    onShow_ = std::move(onShowRequest);
    thread_ = std::thread([this] { Serve(); });
}

void TSingleInstance::Stop() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof(one));
        thread_.join();
    }
    CloseFd(wakeFd_);
}

void TSingleInstance::Serve() {
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        if ((fds[0].revents & POLLIN) != 0) {
            const int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                HandleClient(client);
                ::close(client);
            }
        }
    }
}

void TSingleInstance::HandleClient(int fd) {
    // Only this user's processes may ask, and a silent client cannot hold the listener.
    ucred cred{};
    socklen_t len = sizeof(cred);
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || cred.uid != ::getuid())
        return;
    timeval timeout{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    char buffer[64];
    std::string text;
    while (text.size() < sizeof(buffer)) {
        const ssize_t n = ::recv(fd, buffer, sizeof(buffer), 0);
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.find('\n') != std::string::npos)
            break;
    }
    if (text.substr(0, text.find('\n')) == ShowRequestMessage && post_ && onShow_)
        post_(onShow_);
}

namespace {
// The program file of a process, without the mark of a file replaced since it started.
std::string ProgramOf(const std::string& procExe) {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(procExe.c_str(), buffer, sizeof(buffer) - 1);
    if (n <= 0)
        return {};
    std::string path(buffer, static_cast<std::size_t>(n));
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() &&
        path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
        path.erase(path.size() - deleted.size());
    return path;
}
} // namespace

TMonitorLock::TMonitorLock(std::string configPath)
    : configPath_(std::move(configPath)), path_(PathFor(configPath_)) {}

TMonitorLock::~TMonitorLock() {
    if (fd_ >= 0) {
        ::unlink(path_.c_str());
        CloseFd(fd_);
    }
}

std::string TMonitorLock::PathFor(const std::string& configPath) {
    return configPath + ".pid";
}

bool TMonitorLock::Acquire(int* other) {
    if (other != nullptr)
        *other = 0;
    if (fd_ >= 0)
        return true;
    // Never written through whatever another user put in the file's place: only a regular file
    // of the configuration's owner (or this user) with one link is used, anything else is
    // replaced by a new file.
    struct stat config {};
    if (::stat(configPath_.c_str(), &config) != 0) {
        config.st_uid = ::geteuid();
        config.st_gid = ::getegid();
    }
    int fd = OpenPrivateFile(path_, config.st_uid, config.st_gid, 0644);
    if (fd < 0 && errno == EEXIST) // another monitor made it just now
        fd = OpenPrivateFile(path_, config.st_uid, config.st_gid, 0644);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        if (other != nullptr)
            *other = RunningMonitor(configPath_);
        return false;
    }
    const std::string text = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size())) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

int TMonitorLock::RunningMonitor(const std::string& configPath) {
    const int fd = ::open(PathFor(configPath).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return 0;
    // A lock that can be had belongs to nobody: no monitor runs.
    if (::flock(fd, LOCK_SH | LOCK_NB) == 0 || errno != EWOULDBLOCK) {
        ::close(fd);
        return 0;
    }
    char buffer[32] = {};
    const ssize_t n = ::pread(fd, buffer, sizeof(buffer) - 1, 0);
    ::close(fd);
    if (n <= 0)
        return 0;
    char* end = nullptr;
    const long pid = std::strtol(buffer, &end, 10);
    if (pid <= 1 || pid > INT_MAX || (*end != '\n' && *end != '\0'))
        return 0;
    const std::string program = ProgramOf("/proc/" + std::to_string(pid) + "/exe");
    // Another user's process cannot be looked at; it could not be signalled either.
    if (!program.empty() && program != ProgramOf("/proc/self/exe"))
        return 0;
    return static_cast<int>(pid);
}

TReloadRequest RequestMonitorReload(const std::string& configPath) {
    TReloadRequest request;
    request.Pid = TMonitorLock::RunningMonitor(configPath);
    if (request.Pid == 0)
        return request;
    if (::kill(request.Pid, SIGHUP) == 0)
        request.Sent = true;
    else
        request.Error = std::strerror(errno);
    return request;
}

} // namespace hostaq
