#include "ProviderServer.h"

#include <openssl/evp.h>

#include <chrono>
#include <strings.h>

namespace hostaq::test {

namespace {

std::string HeaderValue(const std::string& raw, const char* name) {
    const std::size_t len = std::char_traits<char>::length(name);
    std::size_t pos = raw.find("\r\n");
    while (pos != std::string::npos && pos + 2 < raw.size()) {
        const std::size_t start = pos + 2;
        const std::size_t eol = raw.find("\r\n", start);
        if (eol == std::string::npos || eol == start)
            break;
        const std::string line = raw.substr(start, eol - start);
        if (line.size() > len && strncasecmp(line.c_str(), name, len) == 0 && line[len] == ':')
            return line.substr(line.find_first_not_of(' ', len + 1));
        pos = eol;
    }
    return {};
}

TProviderRequest ParseRequest(const std::string& raw) {
    TProviderRequest r;
    r.Raw = raw;
    const std::string first = raw.substr(0, raw.find("\r\n"));
    const std::size_t sp1 = first.find(' ');
    const std::size_t sp2 = first.rfind(' ');
    r.Method = first.substr(0, sp1);
    r.Target = sp1 == std::string::npos ? std::string() : first.substr(sp1 + 1, sp2 - sp1 - 1);
    std::string target = r.Target;
    // Through a plain proxy the target names scheme and host.
    if (const std::size_t scheme = target.find("://"); scheme != std::string::npos) {
        const std::size_t slash = target.find('/', scheme + 3);
        target = slash == std::string::npos ? "/" : target.substr(slash);
    }
    const std::size_t q = target.find('?');
    r.Path = target.substr(0, q);
    if (q != std::string::npos) {
        std::string query = target.substr(q + 1);
        std::size_t pos = 0;
        while (pos <= query.size()) {
            const std::size_t amp = std::min(query.find('&', pos), query.size());
            const std::string pair = query.substr(pos, amp - pos);
            const std::size_t eq = pair.find('=');
            if (!pair.empty())
                r.Query[pair.substr(0, eq)] = eq == std::string::npos ? "" : pair.substr(eq + 1);
            pos = amp + 1;
        }
    }
    r.Authorization = HeaderValue(raw, "Authorization");
    r.UserAgent = HeaderValue(raw, "User-Agent");
    return r;
}

} // namespace

std::string BasicAuthorization(const std::string& user, const std::string& password) {
    const std::string plain = user + ":" + password;
    std::string out(4 * ((plain.size() + 2) / 3) + 1, '\0');
    const int n =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                        reinterpret_cast<const unsigned char*>(plain.data()), static_cast<int>(plain.size()));
    out.resize(static_cast<std::size_t>(n));
    return "Basic " + out;
}

TProviderServer::TProviderServer(SSL_CTX* tls) : server_([this](TServerConnection& c) { Handle(c); }, tls) {}

void TProviderServer::SetHostLine(const std::string& host, const std::string& line) {
    std::lock_guard lock(mutex_);
    hostLines_[host] = line;
}

void TProviderServer::SetBody(const std::string& body) {
    std::lock_guard lock(mutex_);
    body_ = body;
    hasBody_ = true;
}

void TProviderServer::SetLogin(const std::string& user, const std::string& password) {
    std::lock_guard lock(mutex_);
    login_ = user.empty() ? std::string() : BasicAuthorization(user, password);
}

void TProviderServer::SetHostList(const std::string& user, const std::string& password,
                                  const std::string& body) {
    std::lock_guard lock(mutex_);
    listLogin_ = BasicAuthorization(user, password);
    listBody_ = body;
}

void TProviderServer::SetCloseWithoutAnswer(bool on) {
    std::lock_guard lock(mutex_);
    closeWithoutAnswer_ = on;
}

void TProviderServer::HoldAnswersUntil(std::size_t count, int timeoutMs) {
    std::lock_guard lock(mutex_);
    holdUntil_ = count;
    holdTimeoutMs_ = timeoutMs;
}

bool TProviderServer::HoldTimedOut() const {
    std::lock_guard lock(mutex_);
    return holdTimedOut_;
}

std::vector<TProviderRequest> TProviderServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool TProviderServer::WaitForRequests(std::size_t n, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return requests_.size() >= n; });
}

std::string TProviderServer::Answer(const TProviderRequest& r) {
    if (hasBody_)
        return body_;
    if (r.Path == "/text/gethostlist")
        return !listLogin_.empty() && r.Authorization == listLogin_ ? listBody_ : "badauth\n";
    if (r.Path != "/nic/update")
        return {};
    if (!login_.empty() && r.Authorization != login_)
        return "badauth\n";
    std::string body;
    const auto host = r.Query.find("hostname");
    const auto ip = r.Query.find("myip");
    std::string names = host == r.Query.end() ? std::string() : host->second;
    std::size_t pos = 0;
    while (pos <= names.size()) {
        const std::size_t comma = std::min(names.find(',', pos), names.size());
        const std::string name = names.substr(pos, comma - pos);
        const auto scripted = hostLines_.find(name);
        body += scripted != hostLines_.end() ? scripted->second
                                             : "good " + (ip == r.Query.end() ? std::string() : ip->second);
        body += "\n";
        pos = comma + 1;
    }
    return body;
}

void TProviderServer::Handle(TServerConnection& connection) {
    std::string raw;
    if (!connection.ReadHttpRequest(raw))
        return;
    TProviderRequest request = ParseRequest(raw);
    std::string body;
    bool close = false;
    {
        std::unique_lock lock(mutex_);
        requests_.push_back(request);
        changed_.notify_all();
        if (holdUntil_ > 0 && !changed_.wait_for(lock, std::chrono::milliseconds(holdTimeoutMs_),
                                                 [&] { return requests_.size() >= holdUntil_; }))
            holdTimedOut_ = true;
        close = closeWithoutAnswer_;
        body = Answer(request);
    }
    if (close) {
        connection.Close();
        return;
    }
    connection.Write("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                     std::to_string(body.size()) + "\r\n\r\n" + body);
    connection.Close();
}

} // namespace hostaq::test
