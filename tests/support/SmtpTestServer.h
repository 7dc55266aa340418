#pragma once

#include "LoopbackServer.h"
#include "TestCerts.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace hostaq::test {

// How the scripted SMTP server answers. Each reply may hold several lines separated by "\r\n".
struct TSmtpScript {
    std::string Greeting = "220 scripted.test ESMTP ready";
    // The answer to EHLO; a single non-2xx line refuses it.
    std::string EhloReply = "250-scripted.test\r\n250-SIZE 1000000\r\n250 AUTH LOGIN PLAIN CRAM-MD5";
    std::string HeloReply = "250 scripted.test";
    // Accepted credentials for AUTH LOGIN, PLAIN and CRAM-MD5.
    std::string User = "user";
    std::string Password = "secret";
    std::string CramChallenge = "<1896.697170952@scripted.test>";
    // Answers chosen by the start of the command line (compared without regard to case), checked
    // before the built-in ones: {"RCPT TO:<bad@", "550 5.1.1 no such user"}. An empty answer
    // means silence: the server reads on without replying.
    std::vector<std::pair<std::string, std::string>> Overrides;
    std::string DataReply = "354 End data with <CR><LF>.<CR><LF>";
    std::string DataEndReply = "250 2.0.0 queued as 42";
    // TLS from the first byte with this certificate, when set.
    std::shared_ptr<TTestCert> TlsCert;
};

// A loopback SMTP server on 127.0.0.1 with an ephemeral port that follows a script and records
// every line it receives (TLoopbackServer underneath).
class TSmtpTestServer {
public:
    explicit TSmtpTestServer(TSmtpScript script = {});
    ~TSmtpTestServer();
    TSmtpTestServer(const TSmtpTestServer&) = delete;
    TSmtpTestServer& operator=(const TSmtpTestServer&) = delete;

    int Port() const { return server_->Port(); }
    std::string HostPort() const { return "127.0.0.1:" + std::to_string(Port()); }
    int Connections() const { return server_->Connections(); }

    // Command lines in order, the answers of an AUTH exchange included (as sent, Base64).
    std::vector<std::string> Commands() const;
    // The lines between DATA and the final ".", exactly as they travelled (dot-stuffed).
    std::vector<std::string> DataLines() const;
    // The user of the last successful AUTH, empty when none succeeded.
    std::string AuthenticatedUser() const;
    // Waits until count sessions have ended, at most timeoutMs; true when they have.
    bool WaitSessions(int count, int timeoutMs) const;

private:
    class TLines;
    void Session(TServerConnection& conn);
    bool Authenticate(TLines& conn, const std::string& command);
    void Record(const std::string& line, bool data);

    TSmtpScript script_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::string> commands_;
    std::vector<std::string> dataLines_;
    std::string authUser_;
    int sessionsEnded_ = 0;
    std::unique_ptr<TLoopbackServer> server_;
};

} // namespace hostaq::test
