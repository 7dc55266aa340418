#include "net/HttpSend.h"

#include "net/Base64.h"
#include "net/HttpResponse.h"
#include "net/NetErrors.h"
#include "net/Url.h"

#include <algorithm>
#include <cctype>

namespace hostaq {

namespace {

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s) {
    auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

// A line break or NUL inside a header line would let a stored value add headers of its own.
bool SafeHeaderLine(const std::string& line) {
    return line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

} // namespace

void THTTPSend::Clear() {
    Headers.clear();
    Document.clear();
    MimeType = "text/html";
}

bool THTTPSend::Fail(int code) {
    if (code != 0 && code != Sock.LastError())
        Sock.SetError(code);
    int error = Sock.LastError();
    Sock.CloseSocket();
    aliveHost_.clear();
    alivePort_.clear();
    aliveTunnel_.clear();
    // Closing keeps the error; make sure a failure never reads as success.
    if (error == 0)
        Sock.SetError(WsaSysNotReady);
    return false;
}

bool THTTPSend::DoRequest(const std::string& method, const std::string& url) {
    ResultCode = 500;
    ResultString.clear();
    DownloadSize = 0;
    UploadSize = 0;
    Sock.SetError(0);

    TParsedUrl u = ParseURL(url);
    std::string user = u.User;
    std::string pass = u.Pass;
    if (user.empty()) {
        user = UserName;
        pass = Password;
    }
    bool https = SameText(u.Prot, "https");
    bool tunnel = https && !ProxyHost.empty();
    bool viaProxy = !ProxyHost.empty() && !tunnel;
    if (tunnel) {
        Sock.HTTPTunnelIP = ProxyHost;
        Sock.HTTPTunnelPort = ProxyPort;
        Sock.HTTPTunnelUser = ProxyUser;
        Sock.HTTPTunnelPass = ProxyPass;
    } else {
        Sock.HTTPTunnelIP.clear();
        Sock.HTTPTunnelPort.clear();
        Sock.HTTPTunnelUser.clear();
        Sock.HTTPTunnelPass.clear();
    }

    // Header lines, each put in front of the ones before it.
    std::vector<std::string> lines = std::move(Headers);
    Headers.clear();
    auto front = [&lines](std::string line) { lines.insert(lines.begin(), std::move(line)); };
    std::string body = std::move(Document);
    Document.clear();
    if (!body.empty()) {
        if (Status100 && Protocol == "1.1")
            front("Expect: 100-continue");
        front("Content-Length: " + std::to_string(body.size()));
        if (!MimeType.empty())
            front("Content-Type: " + MimeType);
    }
    if (!UserAgent.empty())
        front("User-Agent: " + UserAgent);
    if (RangeStart > 0 || RangeEnd > 0)
        front("Range: bytes=" + std::to_string(RangeStart) + "-" +
              (RangeEnd > 0 ? std::to_string(RangeEnd) : ""));
    if (!Cookies.empty()) {
        std::string cookie;
        for (const auto& [name, value] : Cookies)
            cookie += (cookie.empty() ? "" : "; ") + name + "=" + value;
        front("Cookie: " + cookie);
    }
    if (!KeepAlive)
        front("Connection: close");
    if (!user.empty())
        front("Authorization: Basic " + EncodeBase64(user + ":" + pass));
    if (viaProxy && !ProxyUser.empty())
        front("Proxy-Authorization: Basic " + EncodeBase64(ProxyUser + ":" + ProxyPass));
    std::string host = u.Host;
    if (AddPortNumberToHost && u.Port != "80")
        host += ":" + u.Port;
    front("Host: " + host);
    std::string target = u.Uri();
    if (viaProxy)
        target = u.Prot + "://" + u.Host + ":" + u.Port + target;
    if (target == "/*")
        target = "*";
    front(Upper(method) + " " + target + " HTTP/" + Protocol);
    if (!lines.back().empty())
        lines.emplace_back();
    std::string block;
    for (const auto& line : lines) {
        if (!SafeHeaderLine(line))
            return Fail(WsaEInval);
        block += line + "\r\n";
    }

    // Connect, or keep the connection of the previous request to the same place.
    TargetHost = viaProxy ? ProxyHost : u.Host;
    TargetPort = viaProxy ? ProxyPort : u.Port;
    std::string tunnelKey = (https ? "https:" : "http:") + (tunnel ? u.Host + ":" + u.Port : std::string());
    bool reuse = Sock.IsConnected() && aliveHost_ == TargetHost && alivePort_ == TargetPort &&
                 aliveTunnel_ == tunnelKey && !Sock.CanRead(0);
    if (!reuse) {
        Sock.CloseSocket();
        aliveHost_.clear();
        alivePort_.clear();
        aliveTunnel_.clear();
        Sock.VerifyCertificate = VerifyCertificate;
        Sock.SendTimeout = Timeout;
        if (!Sock.Connect(tunnel ? u.Host : TargetHost, tunnel ? u.Port : TargetPort))
            return Fail();
        if (https && !Sock.SSLDoConnect(u.Host, Timeout))
            return Fail();
        aliveHost_ = TargetHost;
        alivePort_ = TargetPort;
        aliveTunnel_ = tunnelKey;
    }

    if (body.size() < 65536) {
        if (!Sock.SendString(block + body))
            return Fail();
    } else if (!Sock.SendString(block) || !Sock.SendString(body)) {
        return Fail();
    }
    UploadSize = block.size() + body.size();

    THttpResponseOptions options;
    options.HeadRequest = SameText(method, "HEAD");
    options.Protocol11 = Protocol == "1.1";
    options.SkipContinue = Status100 && Protocol == "1.1" && !body.empty();
    options.Timeout = Timeout;
    THttpResponse response;
    int error = 0;
    bool ok = ReadHttpResponse(Sock, options, response, error);
    Headers = std::move(response.Headers);
    Document = std::move(response.Document);
    MimeType = std::move(response.MimeType);
    ResultCode = response.ResultCode;
    ResultString = std::move(response.ResultString);
    DownloadSize = Document.size();
    if (!ok)
        return Fail(error);

    if (response.ToClose) {
        Sock.CloseSocket();
        aliveHost_.clear();
        alivePort_.clear();
        aliveTunnel_.clear();
    }
    StoreCookies();
    return true;
}

void THTTPSend::StoreCookies() {
    for (const auto& line : Headers) {
        if (Lower(line.substr(0, 11)) != "set-cookie:")
            continue;
        std::string value = Trim(line.substr(11));
        value = value.substr(0, value.find(';'));
        auto eq = value.find('=');
        std::string name = Trim(value.substr(0, eq));
        std::string content = eq == std::string::npos ? std::string() : Trim(value.substr(eq + 1));
        if (name.empty())
            continue;
        auto it =
            std::find_if(Cookies.begin(), Cookies.end(), [&](const auto& c) { return c.first == name; });
        if (it != Cookies.end())
            it->second = content;
        else
            Cookies.emplace_back(name, content);
    }
}

} // namespace hostaq
