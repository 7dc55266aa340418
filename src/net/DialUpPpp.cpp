#include "net/DialUpPpp.h"

#include "net/ChildProcess.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hostaq {

namespace {
bool IsExecutable(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string AddressText(const sockaddr* addr) {
    if (addr == nullptr || addr->sa_family != AF_INET)
        return {};
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(addr)->sin_addr, text, sizeof(text));
    return text;
}

// One word of a pppd options file: quoted, with backslash escapes for what would end it.
std::string QuoteOptionWord(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f) {
            char octal[8];
            std::snprintf(octal, sizeof(octal), "\\%03o", c);
            out += octal;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

void CloseFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}
} // namespace

std::string TPppSystem::FindPppd() const {
    if (!PppdPath.empty())
        return IsExecutable(PppdPath) ? PppdPath : std::string();
    for (const char* candidate : {"/usr/sbin/pppd", "/sbin/pppd"}) {
        if (IsExecutable(candidate))
            return candidate;
    }
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (!folder.empty() && IsExecutable(folder + "/pppd"))
            return folder + "/pppd";
    }
    return {};
}

std::vector<std::string> TPppSystem::Entries() const {
    std::vector<std::string> names;
    DIR* dir = ::opendir(PeersFolder.c_str());
    if (dir == nullptr)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.')
            continue;
        struct stat st {};
        if (::stat((PeersFolder + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<TPppLink> TPppSystem::Links() const {
    return ListLinks ? ListLinks() : ListMachinePppLinks(RunFolder, ProcFolder);
}

void TPppSystem::EndLink(int pid) const {
    if (EndPppd)
        EndPppd(pid);
    else if (pid > 0)
        ::kill(pid, SIGTERM);
}

std::string PppEntryOfPid(const std::string& procFolder, int pid) {
    if (pid <= 0)
        return {};
    std::ifstream in(procFolder + "/" + std::to_string(pid) + "/cmdline", std::ios::binary);
    std::vector<std::string> args;
    std::string arg;
    while (std::getline(in, arg, '\0'))
        args.push_back(arg);
    for (std::size_t i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == "call")
            return args[i + 1];
    }
    return {};
}

std::vector<TPppLink> ListMachinePppLinks(const std::string& runFolder, const std::string& procFolder) {
    std::vector<TPppLink> links;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return links;
    for (const ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET || (it->ifa_flags & IFF_UP) == 0 ||
            (it->ifa_flags & IFF_POINTOPOINT) == 0 || std::strncmp(it->ifa_name, "ppp", 3) != 0)
            continue;
        TPppLink link;
        link.Interface = it->ifa_name;
        link.LocalAddress = AddressText(it->ifa_addr);
        link.PeerAddress = AddressText(it->ifa_dstaddr);
        std::ifstream pidFile(runFolder + "/" + link.Interface + ".pid");
        if (!(pidFile >> link.Pid))
            link.Pid = 0;
        link.Entry = PppEntryOfPid(procFolder, link.Pid);
        links.push_back(link);
    }
    ::freeifaddrs(list);
    return links;
}

std::string PppExitText(int status) {
    switch (status) {
    case 1:
        return "pppd met a fatal error";
    case 2:
        return "pppd found an error in its options";
    case 3:
        return "pppd is not setuid-root and the user is not root";
    case 4:
        return "The kernel does not support PPP";
    case 5:
        return "pppd was ended by a signal";
    case 6:
        return "The serial port could not be locked";
    case 7:
        return "The serial port could not be opened";
    case 8:
        return "The connect script failed";
    case 9:
        return "The pty command could not be run";
    case 10:
        return "The PPP negotiation failed";
    case 11:
        return "The peer failed to authenticate itself";
    case 12:
        return "The link was ended because it was idle";
    case 13:
        return "The link was ended because the connect time limit was reached";
    case 14:
        return "Callback was negotiated; an incoming call should arrive shortly";
    case 15:
        return "The peer is not responding to echo requests";
    case 16:
        return "The modem hung up";
    case 17:
        return "The PPP negotiation failed because serial loopback was detected";
    case 18:
        return "The init script failed";
    case 19:
        return "Authentication to the peer failed (wrong user name or password)";
    case 20:
        return "The link could not be set up";
    case 21:
        return "The link could not be set up: no modem or PPP driver";
    default:
        if (status > 128 && status < 128 + 65)
            return "pppd was ended by signal " + std::to_string(status - 128);
        return "pppd ended with status " + std::to_string(status);
    }
}

TPppProcess::~TPppProcess() {
    CloseFd(outFd_);
}

int TPppProcess::Start(const std::string& pppd, const std::string& entry, const std::string& user,
                       const std::string& password) {
    int out[2] = {-1, -1};
    int secret[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0)
        return errno;
    if (!password.empty() && ::pipe2(secret, O_CLOEXEC) != 0) {
        const int error = errno;
        CloseFd(out[0]);
        CloseFd(out[1]);
        return error;
    }
    std::vector<std::string> argv = {pppd, "call", entry, "updetach"};
    if (!user.empty()) {
        argv.push_back("user");
        argv.push_back(user);
    }
    if (!password.empty()) {
        argv.push_back("file");
        argv.push_back("/dev/fd/3");
    }
    TChildDescriptors fds;
    fds.NullInput = true;
    fds.Dup2 = {{out[1], 1}, {out[1], 2}};
    // pppd keeps the password pipe as descriptor 3 and nothing else of the monitor.
    if (secret[0] >= 0) {
        fds.Dup2.emplace_back(secret[0], 3);
        fds.LastKept = 3;
    }
    pid_t pid = -1;
    const int rc = SpawnChild(pid, argv, false, fds);
    CloseFd(out[1]);
    CloseFd(secret[0]);
    if (rc != 0) {
        CloseFd(out[0]);
        CloseFd(secret[1]);
        return rc;
    }
    pid_ = pid;
    outFd_ = out[0];
    if (secret[1] >= 0) {
        // A few dozen bytes always fit the pipe; pppd reads them when it parses its options.
        const std::string text = "password " + QuoteOptionWord(password) + "\n";
        [[maybe_unused]] const ssize_t n = ::write(secret[1], text.data(), text.size());
        CloseFd(secret[1]);
    }
    return 0;
}

int TPppProcess::Wait(const std::function<void(const std::string& line)>& onLine) {
    if (pid_ < 0)
        return -1;
    // pppd may leave its output pipe to a daemon child, so the end of pppd, not the end of its
    // output, ends the wait.
    const int pidFd = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    auto exited = [&] {
        siginfo_t info{};
        return ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
               info.si_pid != 0;
    };
    std::string pending;
    bool outputOpen = outFd_ >= 0;
    for (;;) {
        pollfd fds[2] = {{outputOpen ? outFd_ : -1, POLLIN, 0}, {pidFd, POLLIN, 0}};
        if (::poll(fds, 2, pidFd >= 0 ? -1 : 100) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        // Output first, so every line pppd wrote before it ended is seen.
        if (outputOpen && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            char buffer[512];
            const ssize_t got = ::read(outFd_, buffer, sizeof(buffer));
            if (got <= 0) {
                outputOpen = false;
                continue;
            }
            pending.append(buffer, static_cast<std::size_t>(got));
            std::size_t nl;
            while ((nl = pending.find('\n')) != std::string::npos) {
                std::string line = pending.substr(0, nl);
                pending.erase(0, nl + 1);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                if (onLine)
                    onLine(line);
            }
            continue;
        }
        if (pidFd >= 0 ? fds[1].revents != 0 : exited())
            break;
    }
    if (pidFd >= 0)
        ::close(pidFd);
    if (!pending.empty() && onLine)
        onLine(pending);
    int status = 0;
    pid_t reaped;
    {
        std::lock_guard lock(mutex_);
        while ((reaped = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
        }
        reaped_ = true;
    }
    if (reaped < 0)
        return -1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

void TPppProcess::Terminate() {
    std::lock_guard lock(mutex_);
    // An unreaped child keeps its pid, so the signal cannot reach another process.
    if (pid_ > 0 && !reaped_)
        ::kill(pid_, SIGTERM);
}

} // namespace hostaq
