#pragma once

#include "net/BlockSocket.h"

#include <functional>
#include <string>
#include <vector>

namespace hostaq {

// The client side of one SMTP session on a blocking socket: connect (with implicit TLS when
// FullSSL), greeting, EHLO with HELO as fallback, STARTTLS only when AutoTLS, AUTH CRAM-MD5 or
// LOGIN, then the envelope and the data. Each step returns true on the reply it expects; on
// false either the socket failed (Sock.LastError() != 0) or ResultCode and ResultString hold
// the server's refusal. Never logs; the password travels only as the AUTH exchange needs it.
class TSMTPSend {
public:
    TSMTPSend();

    std::string TargetHost;
    std::string TargetPort = "25";
    // Limit for every reply line, in ms.
    int Timeout = 60000;
    std::string UserName;
    std::string Password;
    // Name in EHLO and HELO; the machine's host name by default.
    std::string SystemName;
    bool FullSSL = false;
    bool AutoTLS = false;

    // The last reply: its code (0 when no reply could be read), its last line and all its lines.
    int ResultCode = 0;
    std::string ResultString;
    std::vector<std::string> FullResult;
    // What EHLO told: whether it was accepted, the capability lines (without "250-"), whether
    // authentication succeeded, and the size limit when SIZE was offered.
    bool ESMTP = true;
    std::vector<std::string> ESMTPcap;
    bool AuthDone = false;
    bool ESMTPSize = false;
    int MaxSize = 0;

    TTCPBlockSocket Sock;

    // Connects and greets: TLS at once when FullSSL, greeting 220, EHLO (or HELO), STARTTLS when
    // AutoTLS and offered, then AUTH when a user name or password is set. A failed or impossible
    // authentication does not fail the login: the server's answer to MAIL FROM decides.
    bool Login();
    // "MAIL FROM:<address>", with " SIZE=size" when the server offered SIZE; expects 250.
    bool MailFrom(const std::string& address, std::size_t size);
    // "RCPT TO:<address>"; expects 250.
    bool MailTo(const std::string& address);
    // "DATA" (one reply line within resultTimeoutMs starting with 354), the lines with a dot in
    // front of a line that starts with ".", then "." and the final reply (250) within
    // resultTimeoutMs. progress(sent, total) runs as lines go out.
    bool MailData(const std::vector<std::string>& lines, int resultTimeoutMs,
                  const std::function<void(std::size_t sent, std::size_t total)>& progress = {});
    // "QUIT" (221 expected) and close.
    bool Logout();

    // The capability line that starts with prefix (any letter case), or empty.
    std::string FindCap(const std::string& prefix) const;

private:
    bool Command(const std::string& line);
    // Reads one reply (all its lines) within timeoutMs per line; the code, or 0 when the socket
    // failed.
    int ReadResult(int timeoutMs);
    bool Ehlo();
    bool StartTLS();
    void Authenticate();
    bool AuthCramMd5();
    bool AuthLogin();
};

// Lower-case hexadecimal HMAC-MD5 of text with key (the CRAM-MD5 digest).
std::string HmacMd5Hex(const std::string& key, const std::string& text);
// Base64 decoding that skips characters outside the alphabet and stops at "=".
std::string DecodeBase64Lenient(const std::string& text);

} // namespace hostaq
