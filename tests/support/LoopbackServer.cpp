#include "LoopbackServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

namespace hostaq::test {

namespace {

int ListenOnLoopback(int& port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("socket failed");
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 32) != 0) {
        ::close(fd);
        throw std::runtime_error("bind/listen on 127.0.0.1 failed");
    }
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    return fd;
}

int ListenOnLoopback6(int& port) {
    int fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("socket failed");
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof one);
    sockaddr_in6 addr{};
    addr.sin6_family = AF_INET6;
    addr.sin6_addr = in6addr_loopback;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 32) != 0) {
        ::close(fd);
        throw std::runtime_error("bind/listen on ::1 failed");
    }
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin6_port);
    return fd;
}

} // namespace

bool TServerConnection::Read(std::string& out) {
    if (!pending_.empty()) {
        out += pending_;
        pending_.clear();
        return true;
    }
    if (closed_)
        return false;
    char buf[16384];
    if (ssl_) {
        int n = SSL_read(ssl_, buf, sizeof buf);
        if (n <= 0)
            return false;
        out.append(buf, static_cast<std::size_t>(n));
        return true;
    }
    for (;;) {
        ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n > 0) {
            out.append(buf, static_cast<std::size_t>(n));
            return true;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return false;
    }
}

bool TServerConnection::ReadUntil(std::string& buffer, std::string_view marker) {
    while (buffer.find(marker) == std::string::npos)
        if (!Read(buffer))
            return false;
    return true;
}

bool TServerConnection::ReadHttpRequest(std::string& request) {
    std::string buffer;
    if (!ReadUntil(buffer, "\r\n\r\n"))
        return false;
    std::size_t headEnd = buffer.find("\r\n\r\n") + 4;
    std::size_t length = 0;
    std::string head = buffer.substr(0, headEnd);
    for (std::size_t pos = 0; pos < head.size();) {
        std::size_t eol = head.find("\r\n", pos);
        std::string line = head.substr(pos, eol - pos);
        if (line.size() > 15 && strncasecmp(line.c_str(), "Content-Length:", 15) == 0)
            length = std::strtoul(line.c_str() + 15, nullptr, 10);
        pos = eol + 2;
    }
    while (buffer.size() < headEnd + length)
        if (!Read(buffer))
            return false;
    request = buffer.substr(0, headEnd + length);
    pending_ = buffer.substr(headEnd + length);
    return true;
}

bool TServerConnection::Write(std::string_view data) {
    while (!data.empty()) {
        if (ssl_) {
            int n = SSL_write(ssl_, data.data(), static_cast<int>(data.size()));
            if (n <= 0)
                return false;
            data.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void TServerConnection::WaitForPeerClose() {
    std::string sink;
    while (Read(sink))
        sink.clear();
}

void TServerConnection::Close() {
    if (closed_)
        return;
    closed_ = true;
    if (ssl_)
        SSL_shutdown(ssl_);
    ::shutdown(fd_, SHUT_WR);
}

TLoopbackServer::TLoopbackServer(THandler handler, SSL_CTX* tls, bool ipv6)
    : handler_(std::move(handler)), tls_(tls) {
    std::signal(SIGPIPE, SIG_IGN);
    if (tls_)
        SSL_CTX_up_ref(tls_);
    listenFd_ = ipv6 ? ListenOnLoopback6(port_) : ListenOnLoopback(port_);
    if (::pipe2(wakePipe_, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

TLoopbackServer::~TLoopbackServer() {
    stopping_ = true;
    char c = 1;
    (void)!::write(wakePipe_[1], &c, 1);
    acceptThread_.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        for (int fd : openFds_)
            ::shutdown(fd, SHUT_RDWR);
        threads.swap(threads_);
    }
    for (auto& t : threads)
        t.join();
    ::close(listenFd_);
    ::close(wakePipe_[0]);
    ::close(wakePipe_[1]);
    if (tls_)
        SSL_CTX_free(tls_);
}

void TLoopbackServer::AcceptLoop() {
    for (;;) {
        pollfd p[2] = {{listenFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        if (::poll(p, 2, -1) < 0 && errno != EINTR)
            return;
        if (stopping_ || (p[1].revents & POLLIN))
            return;
        if (!(p[0].revents & POLLIN))
            continue;
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        ++connections_;
        std::lock_guard lock(mutex_);
        openFds_.insert(fd);
        threads_.emplace_back([this, fd] { Serve(fd); });
    }
}

void TLoopbackServer::Serve(int fd) {
    SSL* ssl = nullptr;
    bool ready = true;
    if (tls_) {
        ssl = SSL_new(tls_);
        SSL_set_fd(ssl, fd);
        ready = SSL_accept(ssl) == 1;
    }
    if (ready && !stopping_) {
        TServerConnection connection(fd, ssl);
        handler_(connection);
        connection.Close();
    }
    if (ssl)
        SSL_free(ssl);
    {
        std::lock_guard lock(mutex_);
        openFds_.erase(fd);
    }
    ::close(fd);
}

int FreeLoopbackPort() {
    int port = 0;
    int fd = ListenOnLoopback(port);
    ::close(fd);
    return port;
}

} // namespace hostaq::test
