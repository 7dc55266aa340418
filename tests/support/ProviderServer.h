#pragma once

#include "LoopbackServer.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace hostaq::test {

// One request the provider received.
struct TProviderRequest {
    std::string Method;
    std::string Target;                       // as sent: origin form, or absolute form through a proxy
    std::string Path;                         // without the query
    std::map<std::string, std::string> Query; // not decoded: the client sends values as stored
    std::string Authorization;                // the header's value, empty when none was sent
    std::string UserAgent;
    std::string Raw;
};

// A dynamic-DNS provider on 127.0.0.1 for tests (plain, or TLS with a context). /nic/update
// answers one line per name of the hostname parameter (by default "good" and the address; lines
// can be scripted per host, or the whole body replaced); /text/gethostlist answers the host list
// of a known login and "badauth" otherwise. Any other path answers the scripted body. It can
// hold its answers until a number of requests has arrived, and close without answering.
class TProviderServer {
public:
    explicit TProviderServer(SSL_CTX* tls = nullptr);

    int Port() const { return server_.Port(); }
    // "127.0.0.1:PORT", the value for Options/UpdateHost and Options/AccountHost.
    std::string HostPort() const { return "127.0.0.1:" + std::to_string(Port()); }

    // The answer line for one host of /nic/update.
    void SetHostLine(const std::string& host, const std::string& line);
    // Replaces the whole body of every answer (any path).
    void SetBody(const std::string& body);
    // Only this login is accepted on /nic/update (others get "badauth"); empty accepts any.
    void SetLogin(const std::string& user, const std::string& password);
    // The body /text/gethostlist sends for this login.
    void SetHostList(const std::string& user, const std::string& password, const std::string& body);
    // Closes the connection after reading the request, without a byte of answer.
    void SetCloseWithoutAnswer(bool on);
    // Holds every answer until count requests have arrived (or timeoutMs passed, which is noted).
    void HoldAnswersUntil(std::size_t count, int timeoutMs = 5000);
    bool HoldTimedOut() const;

    std::vector<TProviderRequest> Requests() const;
    bool WaitForRequests(std::size_t n, int timeoutMs) const;

private:
    void Handle(TServerConnection& connection);
    std::string Answer(const TProviderRequest& request);

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::map<std::string, std::string> hostLines_;
    std::string body_;
    bool hasBody_ = false;
    std::string login_;
    std::string listLogin_;
    std::string listBody_;
    bool closeWithoutAnswer_ = false;
    std::size_t holdUntil_ = 0;
    int holdTimeoutMs_ = 0;
    bool holdTimedOut_ = false;
    std::vector<TProviderRequest> requests_;
    TLoopbackServer server_; // last: its threads use the members above
};

// "Basic " and the Base64 of user ":" password.
std::string BasicAuthorization(const std::string& user, const std::string& password);

} // namespace hostaq::test
