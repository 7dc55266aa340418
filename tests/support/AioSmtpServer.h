#pragma once

#include "TestCerts.h"

#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace hostaq::test {

// A real SMTP server for the tests: Debian's aiosmtpd (python3-aiosmtpd) run by
// smtp_store_server.py on 127.0.0.1 with a port the system picks. It accepts AUTH LOGIN for one
// user and stores every message in a folder of its own; with a certificate it speaks TLS from
// the first byte. Destroying the fixture stops the server and removes the folder.
class TAioSmtpServer {
public:
    struct TOptions {
        std::string User = "mailer";
        std::string Password = "secret";
        std::shared_ptr<TTestCert> TlsCert;
    };
    // One stored message: the bytes received and the envelope as JSON.
    struct TStored {
        std::string Message;
        std::string Envelope;
    };

    explicit TAioSmtpServer(TOptions options);
    ~TAioSmtpServer();
    TAioSmtpServer(const TAioSmtpServer&) = delete;
    TAioSmtpServer& operator=(const TAioSmtpServer&) = delete;

    // A python3 that can import aiosmtpd (Debian's first), or empty when there is none.
    static std::string FindPython();

    // False when the server did not come up; Error() says why.
    bool Running() const { return port_ > 0; }
    const std::string& Error() const { return error_; }
    int Port() const { return port_; }
    std::string HostPort() const { return "127.0.0.1:" + std::to_string(port_); }

    std::vector<TStored> Messages() const;

private:
    std::string folder_;
    std::string error_;
    pid_t pid_ = -1;
    int port_ = 0;
};

} // namespace hostaq::test
