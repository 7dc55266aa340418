#pragma once

#include "LoopbackServer.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace hostaq::test {

// What the capture server does with one request.
struct TScriptedAnswer {
    // Sent as they are once the request was read.
    std::string Bytes;
    // After sending, keep the connection open until the client closes it (a slow or stuck server).
    bool HoldOpen = false;
    // After sending, read the next request on the same connection (HTTP/1.1 keep-alive).
    bool KeepAlive = false;
};

// An HTTP server that records the exact bytes of each request and answers with scripted bytes,
// one answer per request in order; when the script is used up, the last answer repeats.
class TCaptureServer {
public:
    // With ipv6 it listens on ::1 (Url with host "[::1]").
    explicit TCaptureServer(SSL_CTX* tls = nullptr, bool ipv6 = false);

    void Answer(TScriptedAnswer answer);
    void Answer(std::string bytes) { Answer(TScriptedAnswer{std::move(bytes)}); }

    int Port() const { return server_.Port(); }
    // "http://127.0.0.1:PORT" + path (or https, or another host name such as localhost).
    std::string Url(const std::string& path, const std::string& scheme = "http",
                    const std::string& host = "127.0.0.1") const;

    // The requests so far, each exactly as received.
    std::vector<std::string> Requests() const;
    // Waits until n requests arrived, at most timeoutMs.
    bool WaitForRequests(std::size_t n, int timeoutMs) const;
    int Connections() const { return server_.Connections(); }

private:
    void Handle(TServerConnection& connection);
    TScriptedAnswer NextAnswer();

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::deque<TScriptedAnswer> script_;
    TScriptedAnswer last_{"HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok"};
    std::vector<std::string> requests_;
    TLoopbackServer server_; // last: its threads use the members above
};

// A proxy that speaks CONNECT only, and only to 127.0.0.1 (or localhost): it records each
// CONNECT request head, answers "200 Connection established" and relays bytes both ways.
// Refuse() makes it answer with a status line of its choice instead.
class TConnectProxy {
public:
    TConnectProxy();

    int Port() const { return server_.Port(); }
    std::vector<std::string> Requests() const;
    void Refuse(const std::string& statusLine);
    // Sends every tunnel to 127.0.0.1:port whatever the CONNECT line names (so a request for
    // the default https port reaches a test server).
    void RouteAllTo(int port);

private:
    void Handle(TServerConnection& connection);

    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::string refusal_;
    int routeTo_ = 0;
    TLoopbackServer server_;
};

} // namespace hostaq::test
