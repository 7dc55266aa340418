#include "CaptureServer.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace hostaq::test {

TCaptureServer::TCaptureServer(SSL_CTX* tls, bool ipv6)
    : server_([this](TServerConnection& c) { Handle(c); }, tls, ipv6) {}

void TCaptureServer::Answer(TScriptedAnswer answer) {
    std::lock_guard lock(mutex_);
    script_.push_back(std::move(answer));
}

TScriptedAnswer TCaptureServer::NextAnswer() {
    std::lock_guard lock(mutex_);
    if (!script_.empty()) {
        last_ = std::move(script_.front());
        script_.pop_front();
    }
    return last_;
}

std::string TCaptureServer::Url(const std::string& path, const std::string& scheme,
                                const std::string& host) const {
    return scheme + "://" + host + ":" + std::to_string(Port()) + path;
}

std::vector<std::string> TCaptureServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool TCaptureServer::WaitForRequests(std::size_t n, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return requests_.size() >= n; });
}

void TCaptureServer::Handle(TServerConnection& connection) {
    for (;;) {
        std::string request;
        if (!connection.ReadHttpRequest(request))
            return;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
            changed_.notify_all();
        }
        TScriptedAnswer answer = NextAnswer();
        if (!connection.Write(answer.Bytes))
            return;
        if (answer.HoldOpen) {
            connection.WaitForPeerClose();
            return;
        }
        if (!answer.KeepAlive)
            return;
    }
}

TConnectProxy::TConnectProxy() : server_([this](TServerConnection& c) { Handle(c); }) {}

std::vector<std::string> TConnectProxy::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void TConnectProxy::Refuse(const std::string& statusLine) {
    std::lock_guard lock(mutex_);
    refusal_ = statusLine;
}

void TConnectProxy::RouteAllTo(int port) {
    std::lock_guard lock(mutex_);
    routeTo_ = port;
}

void TConnectProxy::Handle(TServerConnection& connection) {
    std::string head;
    if (!connection.ReadHttpRequest(head))
        return;
    std::string refusal;
    int routeTo = 0;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(head);
        refusal = refusal_;
        routeTo = routeTo_;
    }
    // "CONNECT host:port HTTP/1.0"
    std::string line = head.substr(0, head.find("\r\n"));
    int port = 0;
    if (line.rfind("CONNECT ", 0) == 0) {
        std::string target = line.substr(8, line.find(' ', 8) - 8);
        auto colon = target.rfind(':');
        std::string host = target.substr(0, colon);
        if (host == "127.0.0.1" || host == "localhost")
            port = routeTo > 0 ? routeTo : std::atoi(target.c_str() + colon + 1);
    }
    if (!refusal.empty() || port <= 0) {
        connection.Write((refusal.empty() ? "HTTP/1.0 403 Forbidden" : refusal) + "\r\n\r\n");
        return;
    }
    int upstream = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (::connect(upstream, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(upstream);
        connection.Write("HTTP/1.0 502 Bad Gateway\r\n\r\n");
        return;
    }
    connection.Write("HTTP/1.0 200 Connection established\r\nProxy-Agent: test\r\n\r\n");
    // Relay until either side closes; the server's stop shuts the client side down.
    char buf[16384];
    for (;;) {
        pollfd p[2] = {{connection.Fd(), POLLIN, 0}, {upstream, POLLIN, 0}};
        if (::poll(p, 2, -1) < 0)
            break;
        if (p[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            ssize_t n = ::recv(connection.Fd(), buf, sizeof buf, 0);
            if (n <= 0 || ::send(upstream, buf, static_cast<std::size_t>(n), MSG_NOSIGNAL) != n)
                break;
        }
        if (p[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            ssize_t n = ::recv(upstream, buf, sizeof buf, 0);
            if (n <= 0 || ::send(connection.Fd(), buf, static_cast<std::size_t>(n), MSG_NOSIGNAL) != n)
                break;
        }
    }
    ::close(upstream);
}

} // namespace hostaq::test
