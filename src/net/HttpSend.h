#pragma once

#include "net/BlockSocket.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace hostaq {

// One HTTP/1.0 transaction: a request and its answer. Every caller makes one request per object;
// cookies and an open HTTP/1.1 connection are kept between requests on the same object.
class THTTPSend {
public:
    // Where the connection goes: the server, or the proxy. Set by DoRequest.
    std::string TargetHost;
    std::string TargetPort;
    // Basic credentials used when the URL carries none.
    std::string UserName;
    std::string Password;
    // Limit for every single read of a line or packet, in ms.
    int Timeout = 90000;
    // Before the call: extra request headers. After it: the status line and response headers.
    std::vector<std::string> Headers;
    // Before the call: the request body (none when empty). After it: the response body.
    std::string Document;
    // The response Content-Type; with a request body, its Content-Type.
    std::string MimeType = "text/html";
    std::string Protocol = "1.0";
    // When false, "Connection: close" is sent.
    bool KeepAlive = true;
    // Announces a request body with "Expect: 100-continue" (HTTP/1.1 only).
    bool Status100 = false;
    // HTTP proxy; an empty host means a direct connection. https goes through a CONNECT tunnel.
    std::string ProxyHost;
    std::string ProxyPort = "8080";
    std::string ProxyUser;
    std::string ProxyPass;
    // Status code of the answer; 500 before one was read, 0 for an HTTP/0.9 answer.
    int ResultCode = 500;
    std::string ResultString;
    // The User-Agent value; empty leaves the header out.
    std::string UserAgent;
    // Cookies received (name, value); sent back by a later request on this object.
    std::vector<std::pair<std::string, std::string>> Cookies;
    long long RangeStart = 0;
    long long RangeEnd = 0;
    // Appends ":port" to the Host value when the port is not "80".
    bool AddPortNumberToHost = true;
    // Checks the server certificate against the system store and the host name.
    bool VerifyCertificate = true;
    std::size_t DownloadSize = 0;
    std::size_t UploadSize = 0;
    TTCPBlockSocket Sock;

    // Sends the request and reads the whole answer. True when the exchange completed at the
    // transport level, whatever the status code; on false Sock.LastError() holds the reason.
    bool DoRequest(const std::string& method, const std::string& url);
    // Ends the read in progress with an error; safe from any thread.
    void AbortTransfer() { Sock.StopFlag.store(true); }
    // Empties Headers and Document and sets MimeType back, ready for the next request.
    void Clear();

    // The reason of the last failure: its table text, and where one is known, why.
    std::string LastErrorDesc() const { return Sock.LastErrorDesc(); }
    int LastError() const { return Sock.LastError(); }

private:
    bool Fail(int code = 0);
    void StoreCookies();

    // The connection left open by the previous request, for reuse.
    std::string aliveHost_;
    std::string alivePort_;
    std::string aliveTunnel_;
};

} // namespace hostaq
