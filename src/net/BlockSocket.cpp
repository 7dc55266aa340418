#include "net/BlockSocket.h"

#include "net/Base64.h"
#include "net/NetErrors.h"

#include "config/Clock.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace hostaq {

namespace {

using TSteady = std::chrono::steady_clock;

// Longest single poll, so a StopFlag set from another thread is seen soon.
constexpr int StopCheckMs = 50;

// The TLS layer writes with write(), which raises SIGPIPE on a connection the peer closed; a
// network program takes that as an error code instead.
void IgnoreSigPipe() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
            std::signal(SIGPIPE, SIG_IGN);
    });
}

std::string StripBrackets(const std::string& host) {
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        return host.substr(1, host.size() - 2);
    return host;
}

int RemainingMs(TSteady::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TSteady::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

} // namespace

TTCPBlockSocket::TTCPBlockSocket() {
    IgnoreSigPipe();
}

TTCPBlockSocket::~TTCPBlockSocket() {
    CloseSocket();
}

void TTCPBlockSocket::SetDeadline(int ms) {
    deadlineMs_ = std::max(ms, 0);
    deadlineSteady_ = TSteady::now() + std::chrono::milliseconds(deadlineMs_);
    deadlineClockMs_ = Now().Msecs() + deadlineMs_;
}

bool TTCPBlockSocket::DeadlinePassed() {
    if (deadlineMs_ <= 0 || (TSteady::now() < deadlineSteady_ && Now().Msecs() < deadlineClockMs_))
        return false;
    Fail(WsaETimedOut, "the whole exchange took longer than " + std::to_string(deadlineMs_ / 1000) + " s");
    return true;
}

bool TTCPBlockSocket::Fail(int code, std::string reason) {
    SetLastError(code);
    errorReason_ = std::move(reason);
    return false;
}

std::string TTCPBlockSocket::LastErrorDesc() const {
    std::string text = GetNetErrorDesc(LastError());
    if (!errorReason_.empty())
        text += " (" + errorReason_ + ")";
    return text;
}

void TTCPBlockSocket::CloseSocket() {
    if (ssl_ && sslActive_)
        ssl_->Shutdown();
    sslActive_ = false;
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    ResetReadState();
}

bool TTCPBlockSocket::Connect(const std::string& host, const std::string& port) {
    CloseSocket();
    SetLastError(0);
    errorReason_.clear();
    if (HTTPTunnelIP.empty())
        return ConnectDirect(host, port);
    if (!ConnectDirect(HTTPTunnelIP, HTTPTunnelPort))
        return false;
    if (!OpenTunnel(host, port)) {
        int code = LastError();
        std::string reason = errorReason_;
        CloseSocket();
        return Fail(code, reason);
    }
    return true;
}

bool TTCPBlockSocket::ConnectDirect(const std::string& host, const std::string& port) {
    addrinfo hints{};
    hints.ai_family = IPv6Only ? AF_INET6 : AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* list = nullptr;
    std::string name = StripBrackets(host);
    int rc = getaddrinfo(name.c_str(), port.c_str(), &hints, &list);
    if (rc != 0)
        return Fail(SocketErrorFromResolver(rc, errno));
    // IPv4 first, as most providers' update servers answer there; the others follow.
    std::vector<addrinfo*> candidates;
    for (addrinfo* a = list; a; a = a->ai_next)
        candidates.push_back(a);
    std::stable_partition(candidates.begin(), candidates.end(),
                          [](const addrinfo* a) { return a->ai_family == AF_INET; });

    int error = WsaHostNotFound;
    for (addrinfo* a : candidates) {
        int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0) {
            error = SocketErrorFromErrno(errno);
            continue;
        }
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &SizeRecvBuffer, sizeof SizeRecvBuffer);
        setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &SizeSendBuffer, sizeof SizeSendBuffer);
        fd_ = fd;
        if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0) {
            freeaddrinfo(list);
            return true;
        }
        if (errno != EINPROGRESS) {
            error = SocketErrorFromErrno(errno);
        } else {
            // No time-out of our own: the kernel gives up on an unanswered connect.
            bool ready = false;
            while (!ready) {
                if (Stopped()) {
                    error = WsaEConnAborted;
                    break;
                }
                if (DeadlinePassed()) {
                    error = WsaETimedOut;
                    break;
                }
                pollfd p{fd, POLLOUT, 0};
                int n = ::poll(&p, 1, StopCheckMs);
                if (n < 0 && errno != EINTR) {
                    error = SocketErrorFromErrno(errno);
                    break;
                }
                ready = n > 0;
            }
            if (ready) {
                int soError = 0;
                socklen_t len = sizeof soError;
                getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len);
                if (soError == 0) {
                    freeaddrinfo(list);
                    return true;
                }
                error = SocketErrorFromErrno(soError);
            }
        }
        ::close(fd);
        fd_ = -1;
        if (error == WsaEConnAborted || (error == WsaETimedOut && !errorReason_.empty()))
            break;
    }
    freeaddrinfo(list);
    return Fail(error, error == WsaETimedOut ? errorReason_ : std::string());
}

bool TTCPBlockSocket::OpenTunnel(const std::string& host, const std::string& port) {
    std::string target = host;
    if (target.find(':') != std::string::npos && target.front() != '[')
        target = "[" + target + "]";
    std::string request = "CONNECT " + target + ":" + port + " HTTP/1.0\r\n";
    if (!HTTPTunnelUser.empty())
        request +=
            "Proxy-Authorization: Basic " + EncodeBase64(HTTPTunnelUser + ":" + HTTPTunnelPass) + "\r\n";
    request += "\r\n";
    if (!SendString(request))
        return false;
    bool open = false;
    std::string status;
    std::string line;
    do {
        if (!RecvString(line, HTTPTunnelTimeout))
            return Fail(LastError());
        if (line.rfind("HTTP/", 0) == 0 && line.size() > 11) {
            open = line[9] == '2';
            status = line;
        }
    } while (!line.empty());
    if (!open)
        return Fail(WsaSysNotReady, status.empty() ? "the proxy opened no tunnel"
                                                   : "the proxy refused the tunnel: " + status);
    return true;
}

bool TTCPBlockSocket::SSLDoConnect(const std::string& host, int timeoutMs) {
    SetLastError(0);
    errorReason_.clear();
    if (fd_ < 0)
        return Fail(WsaENotConn);
    ssl_ = CreateSSL();
    if (!ssl_->Prepare(fd_, StripBrackets(host), VerifyCertificate))
        return Fail(WsaSysNotReady, ssl_->LastErrorDesc());
    auto deadline = TSteady::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        switch (ssl_->Handshake()) {
        case TSSLIo::Ok:
            sslActive_ = true;
            return true;
        case TSSLIo::WantRead:
            if (!WaitFor(POLLIN, RemainingMs(deadline)))
                return false;
            break;
        case TSSLIo::WantWrite:
            if (!WaitFor(POLLOUT, RemainingMs(deadline)))
                return false;
            break;
        default:
            return Fail(WsaSysNotReady, ssl_->LastErrorDesc());
        }
    }
}

bool TTCPBlockSocket::WaitFor(short events, int timeoutMs) {
    auto deadline = TSteady::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        if (Stopped())
            return Fail(WsaEConnAborted);
        if (DeadlinePassed())
            return false;
        int left = RemainingMs(deadline);
        pollfd p{fd_, events, 0};
        int n = ::poll(&p, 1, std::min(left, StopCheckMs));
        if (n > 0)
            return true;
        if (n < 0 && errno != EINTR)
            return Fail(SocketErrorFromErrno(errno));
        if (left == 0)
            return Fail(WsaETimedOut);
    }
}

long TTCPBlockSocket::Fill(std::string& buffer, int timeoutMs) {
    if (fd_ < 0) {
        Fail(WsaENotConn);
        return -1;
    }
    auto deadline = TSteady::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    char chunk[16384];
    for (;;) {
        if (Stopped()) {
            Fail(WsaEConnAborted);
            return -1;
        }
        if (DeadlinePassed())
            return -1;
        if (sslActive_) {
            std::size_t got = 0;
            switch (ssl_->Recv(chunk, sizeof chunk, got)) {
            case TSSLIo::Ok:
                buffer.append(chunk, got);
                return static_cast<long>(got);
            case TSSLIo::Closed:
                return 0;
            case TSSLIo::WantRead:
                if (!WaitFor(POLLIN, RemainingMs(deadline)))
                    return -1;
                break;
            case TSSLIo::WantWrite:
                if (!WaitFor(POLLOUT, RemainingMs(deadline)))
                    return -1;
                break;
            default:
                if (ssl_->LastSystemError() != 0)
                    Fail(SocketErrorFromErrno(ssl_->LastSystemError()));
                else
                    Fail(WsaSysNotReady, ssl_->LastErrorDesc());
                return -1;
            }
            continue;
        }
        ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n > 0) {
            buffer.append(chunk, static_cast<std::size_t>(n));
            return n;
        }
        if (n == 0)
            return 0;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            Fail(SocketErrorFromErrno(errno));
            return -1;
        }
        if (!WaitFor(POLLIN, RemainingMs(deadline)))
            return -1;
    }
}

bool TTCPBlockSocket::SendString(std::string_view data) {
    SetLastError(0);
    errorReason_.clear();
    if (fd_ < 0)
        return Fail(WsaENotConn);
    while (!data.empty()) {
        if (Stopped())
            return Fail(WsaEConnAborted);
        if (sslActive_) {
            std::size_t sent = 0;
            switch (ssl_->Send(data.data(), data.size(), sent)) {
            case TSSLIo::Ok:
                data.remove_prefix(sent);
                break;
            case TSSLIo::WantRead:
                if (!WaitFor(POLLIN, SendTimeout))
                    return false;
                break;
            case TSSLIo::WantWrite:
                if (!WaitFor(POLLOUT, SendTimeout))
                    return false;
                break;
            case TSSLIo::Closed:
                return Fail(WsaEConnReset);
            default:
                if (ssl_->LastSystemError() != 0)
                    return Fail(SocketErrorFromErrno(ssl_->LastSystemError()));
                return Fail(WsaSysNotReady, ssl_->LastErrorDesc());
            }
            continue;
        }
        ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
        if (n >= 0) {
            data.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return Fail(SocketErrorFromErrno(errno));
        if (!WaitFor(POLLOUT, SendTimeout))
            return false;
    }
    return true;
}

bool TTCPBlockSocket::CanRead(int timeoutMs) {
    if (WaitingData() > 0 || (sslActive_ && ssl_->Pending() > 0))
        return true;
    if (fd_ < 0)
        return false;
    pollfd p{fd_, POLLIN, 0};
    int n = ::poll(&p, 1, std::max(timeoutMs, 0));
    return n > 0;
}

} // namespace hostaq
