#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace hostaq {

// Outcome of one step of the TLS layer on a non-blocking socket.
enum class TSSLIo { Ok, WantRead, WantWrite, Closed, Error };

// The TLS layer of a socket: the client side of one TLS session over a connected, non-blocking
// socket. The socket waits (poll) whenever a step answers WantRead or WantWrite.
class TCustomSSL {
public:
    virtual ~TCustomSSL() = default;

    // The name of the implementation.
    virtual std::string LibName() const = 0;
    // Prepares the session on fd for host (SNI and the name check). verify checks the server
    // certificate against the system store and the host name. False with LastErrorDesc().
    virtual bool Prepare(int fd, const std::string& host, bool verify) = 0;
    virtual TSSLIo Handshake() = 0;
    virtual TSSLIo Recv(char* buffer, std::size_t size, std::size_t& received) = 0;
    virtual TSSLIo Send(const char* data, std::size_t size, std::size_t& sent) = 0;
    // Decrypted bytes waiting inside the layer.
    virtual std::size_t Pending() const = 0;
    // Sends close_notify when it can without waiting and ends the session.
    virtual void Shutdown() = 0;
    // Why the last step failed; never holds credentials.
    virtual std::string LastErrorDesc() const = 0;
    // The errno of a failed step when the socket itself failed (a reset), else 0.
    virtual int LastSystemError() const { return 0; }
};

// The layer used when no TLS is available: every connection fails.
class TSSLNone : public TCustomSSL {
public:
    std::string LibName() const override { return "Without SSL support"; }
    bool Prepare(int, const std::string&, bool) override { return false; }
    TSSLIo Handshake() override { return TSSLIo::Error; }
    TSSLIo Recv(char*, std::size_t, std::size_t&) override { return TSSLIo::Error; }
    TSSLIo Send(const char*, std::size_t, std::size_t&) override { return TSSLIo::Error; }
    std::size_t Pending() const override { return 0; }
    void Shutdown() override {}
    std::string LastErrorDesc() const override { return "SLL is not implemented!"; }
};

// Which implementation new sockets get. OpenSSL is the default; when its client context cannot
// be created, sockets get TSSLNone. Tests choose None to see a system without TLS.
enum class TSSLImplementation { OpenSSL, None };
void SetSSLImplementation(TSSLImplementation implementation);

// A new layer of the chosen implementation. The OpenSSL client context is created on first use
// (TLS 1.2 or newer, the system store from OpenSSL's default paths, so SSL_CERT_FILE and
// SSL_CERT_DIR count) and created anew when those two variables change.
std::unique_ptr<TCustomSSL> CreateSSL();

} // namespace hostaq
