#pragma once

#include "net/ByteReader.h"
#include "net/SslLayer.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace hostaq {

// Overall deadlines of one exchange, besides the time-out of each read: a server that dribbles
// one byte now and then cannot hold a request for longer.
inline constexpr int ExchangeDeadlineMs = 60000;     // address check, update request, hostname download
inline constexpr int VersionCheckDeadlineMs = 30000; // the version page
inline constexpr int MailDeadlineMs = 120000;        // a mail exchange

// A TCP client connection with blocking semantics: every call returns when it is done, failed,
// ran out of its time or was stopped through StopFlag. Underneath the socket is non-blocking
// and each wait is a poll, so a read never hangs past its time-out and an abort from another
// thread ends it. Errors carry the Windows Sockets numbers (NetErrors.h).
//
// Used by the HTTP client (plain, TLS, through a CONNECT tunnel) and by the mail client (plain,
// implicit TLS, or an upgrade of the open connection with SSLDoConnect).
class TTCPBlockSocket : public TByteReader {
public:
    static constexpr int DefaultBufferSize = 65536;

    TTCPBlockSocket();
    ~TTCPBlockSocket() override;
    TTCPBlockSocket(const TTCPBlockSocket&) = delete;
    TTCPBlockSocket& operator=(const TTCPBlockSocket&) = delete;

    int SizeRecvBuffer = DefaultBufferSize;
    int SizeSendBuffer = DefaultBufferSize;
    // Limit for sending one block, in ms.
    int SendTimeout = 90000;
    // Aborts the wait in progress, or the next one (10053); the abort clears the flag.
    std::atomic<bool> StopFlag{false};

    // Everything from now on (connects, reads, writes, handshakes, across reconnects) must end
    // within ms, or fails with 10060; 0 or less removes the deadline. Measured on the steady
    // clock and on the program's clock seam, whichever passes it first, so tests move the
    // clock instead of waiting.
    void SetDeadline(int ms);
    // A flag someone else owns (a cancel of the whole fetch): while it is set every wait ends
    // with 10053. Never cleared here.
    const std::atomic<bool>* CancelFlag = nullptr;

    // When HTTPTunnelIP is set, Connect goes to the proxy and asks it with CONNECT for a tunnel.
    std::string HTTPTunnelIP;
    std::string HTTPTunnelPort;
    std::string HTTPTunnelUser;
    std::string HTTPTunnelPass;
    int HTTPTunnelTimeout = 30000;

    // Checks the server certificate and name in SSLDoConnect.
    bool VerifyCertificate = true;
    // Connects over IPv6 only (a name without an IPv6 address fails as not found).
    bool IPv6Only = false;

    // Resolves host (an IPv6 literal may keep its brackets) and connects; the operating system
    // bounds the connect time. Through the tunnel when HTTPTunnelIP is set. Closes an open
    // connection first.
    bool Connect(const std::string& host, const std::string& port);
    // Starts TLS on the open connection (implicit TLS right after Connect, or STARTTLS later);
    // host is the name the certificate must carry. The handshake must end within timeoutMs.
    bool SSLDoConnect(const std::string& host, int timeoutMs);
    // Sends all of data.
    bool SendString(std::string_view data);
    // True when bytes or a close are waiting, within timeoutMs.
    bool CanRead(int timeoutMs);
    void CloseSocket();

    bool IsConnected() const { return fd_ >= 0; }
    bool SSLActive() const { return sslActive_; }
    // The TLS layer of the last SSLDoConnect (nullptr before the first one).
    const TCustomSSL* SSL() const { return ssl_.get(); }

    // Sets the error of a failure found above the socket (a protocol reader's cap, say).
    void SetError(int code, std::string reason = {}) { Fail(code, std::move(reason)); }

    // The table text of LastError(), followed by the reason where one is known (the TLS
    // failure, the proxy's refusal).
    std::string LastErrorDesc() const;

protected:
    long Fill(std::string& buffer, int timeoutMs) override;

private:
    bool ConnectDirect(const std::string& host, const std::string& port);
    bool OpenTunnel(const std::string& host, const std::string& port);
    // Waits for events on the socket until timeoutMs ran out (10060) or StopFlag is set (10053).
    bool WaitFor(short events, int timeoutMs);
    bool Fail(int code, std::string reason = {});

    // StopFlag (consumed) or CancelFlag.
    bool Stopped() { return StopFlag.exchange(false) || (CancelFlag != nullptr && CancelFlag->load()); }
    // True (with the error set) once the deadline has passed.
    bool DeadlinePassed();

    int fd_ = -1;
    int deadlineMs_ = 0;
    std::chrono::steady_clock::time_point deadlineSteady_{};
    std::int64_t deadlineClockMs_ = 0;
    std::unique_ptr<TCustomSSL> ssl_;
    bool sslActive_ = false;
    std::string errorReason_;
};

} // namespace hostaq
