#pragma once

#include <algorithm>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace hostaq::test {

// A datagram socket bound to a path of the test's own (a NOTIFY_SOCKET, a journal socket): what
// the program sends there is read back without waiting.
class TDatagramListener {
public:
    explicit TDatagramListener(std::string path) : path_(std::move(path)) {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (fd_ < 0 || path_.size() >= sizeof address.sun_path)
            throw std::runtime_error("no datagram socket for " + path_);
        path_.copy(address.sun_path, path_.size());
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            throw std::runtime_error("cannot bind " + path_);
    }
    ~TDatagramListener() {
        ::close(fd_);
        ::unlink(path_.c_str());
    }
    TDatagramListener(const TDatagramListener&) = delete;
    TDatagramListener& operator=(const TDatagramListener&) = delete;

    const std::string& Path() const { return path_; }

    // Every datagram that has arrived, in order.
    std::vector<std::string> Drain() {
        std::vector<std::string> out;
        std::string buffer(65536, '\0');
        for (;;) {
            const ssize_t n = ::recv(fd_, buffer.data(), buffer.size(), 0);
            if (n < 0)
                return out;
            out.emplace_back(buffer.data(), static_cast<std::size_t>(n));
        }
    }

    // Collects datagrams until one equal to message has arrived (another program sends them), at
    // most timeoutMs; returns everything collected.
    std::vector<std::string> WaitFor(const std::string& message, int timeoutMs = 20000) {
        std::vector<std::string> all;
        for (int waited = 0; waited <= timeoutMs; waited += 100) {
            for (std::string& m : Drain())
                all.push_back(std::move(m));
            if (std::find(all.begin(), all.end(), message) != all.end())
                return all;
            pollfd p{fd_, POLLIN, 0};
            ::poll(&p, 1, 100);
        }
        return all;
    }

private:
    std::string path_;
    int fd_ = -1;
};

} // namespace hostaq::test
