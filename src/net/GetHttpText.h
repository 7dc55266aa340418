#pragma once

#include "net/HttpSend.h"

#include <string>

namespace hostaq {

// Fetches one page synchronously on the calling thread, following one 301 redirect. A timer of
// TimeOut minutes (on the program's clock) aborts a request that takes longer.
class TVemoGetHttpText {
public:
    TVemoGetHttpText();

    // Setting a property copies it into the component's THTTPSend at once.
    const std::string& Agent() const { return agent_; }
    void SetAgent(const std::string& value);
    const std::string& ProxySrv() const { return proxySrv_; }
    void SetProxySrv(const std::string& value);
    const std::string& ProxyPort() const { return proxyPort_; }
    void SetProxyPort(const std::string& value);
    const std::string& ProxyUserName() const { return proxyUserName_; }
    void SetProxyUserName(const std::string& value);
    const std::string& ProxyPassword() const { return proxyPassword_; }
    void SetProxyPassword(const std::string& value);

    // Minutes; 0 or less arms no timer.
    int TimeOut = 2;
    // The whole fetch (a redirect included) ends within this (ms); 0 or less sets no bound.
    int Deadline = 0;
    std::string Url;

    // The page of the last successful GetText, each line followed by CR LF.
    const std::string& TheText() const { return theText_; }
    // The component's own transaction (time-out per read, certificate check, the last error).
    THTTPSend& HTTP() { return http_; }

    // True when the first request completed at the transport level; the page is in TheText.
    bool GetText();

private:
    THTTPSend http_;
    std::string agent_ = "Vemo Solution";
    std::string proxySrv_;
    std::string proxyPort_ = "80";
    std::string proxyUserName_;
    std::string proxyPassword_;
    std::string theText_;
};

// Fetches url with the given user agent; on success text is the page without leading and
// trailing blanks and line ends.
bool GetHttpText(std::string& text, const std::string& agent, const std::string& url);

} // namespace hostaq
