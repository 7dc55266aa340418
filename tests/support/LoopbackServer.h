#pragma once

#include <openssl/ssl.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace hostaq::test {

// One accepted connection of a loopback server, plain or TLS, with blocking I/O. Reads end when
// the peer closes or the server stops.
class TServerConnection {
public:
    TServerConnection(int fd, SSL* ssl) : fd_(fd), ssl_(ssl) {}

    // Appends what arrives next; false at close or error.
    bool Read(std::string& out);
    // Reads until buffer holds marker; false when the connection ends first.
    bool ReadUntil(std::string& buffer, std::string_view marker);
    // Reads one HTTP request (head, then a Content-Length body) into request. Bytes past it stay
    // in pending for the next call.
    bool ReadHttpRequest(std::string& request);
    bool Write(std::string_view data);
    // Reads and drops everything until the peer closes the connection (or the server stops).
    void WaitForPeerClose();
    // Ends the connection gracefully: close_notify for TLS, then FIN.
    void Close();

    int Fd() const { return fd_; }

private:
    int fd_;
    SSL* ssl_;
    std::string pending_;
    bool closed_ = false;
};

// A TCP server on 127.0.0.1 and an ephemeral port. Every connection runs handler on a thread of
// its own; with a TLS context the handshake comes first. Destroying the server stops everything
// and joins all threads.
class TLoopbackServer {
public:
    using THandler = std::function<void(TServerConnection&)>;

    // tls may be null; the server takes its own reference. With ipv6 it listens on ::1 instead.
    explicit TLoopbackServer(THandler handler, SSL_CTX* tls = nullptr, bool ipv6 = false);
    ~TLoopbackServer();
    TLoopbackServer(const TLoopbackServer&) = delete;
    TLoopbackServer& operator=(const TLoopbackServer&) = delete;

    int Port() const { return port_; }
    // Connections accepted so far.
    int Connections() const { return connections_.load(); }

private:
    void AcceptLoop();
    void Serve(int fd);

    THandler handler_;
    SSL_CTX* tls_;
    int listenFd_ = -1;
    int wakePipe_[2] = {-1, -1};
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::mutex mutex_;
    std::set<int> openFds_;
    std::vector<std::thread> threads_;
    std::thread acceptThread_;
};

// An ephemeral port that was free a moment ago, for servers started as separate programs.
int FreeLoopbackPort();

} // namespace hostaq::test
