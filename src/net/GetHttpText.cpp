#include "net/GetHttpText.h"

#include "config/Clock.h"
#include "net/TextLines.h"
#include "net/Url.h"

#include <cctype>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace hostaq {

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s) {
    auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

// Aborts the transfer once the program's clock is past the time-out. It watches the clock
// seam, so a test moves the clock instead of waiting.
class TAbortTimer {
public:
    TAbortTimer(THTTPSend& http, int minutes) : http_(http) {
        if (minutes <= 0)
            return;
        std::int64_t due = Now().AddMinutes(minutes).Msecs();
        thread_ = std::thread([this, due] {
            std::unique_lock lock(mutex_);
            while (!stop_) {
                if (Now().Msecs() > due) {
                    http_.AbortTransfer();
                    return;
                }
                changed_.wait_for(lock, std::chrono::milliseconds(20));
            }
        });
    }
    ~TAbortTimer() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }
    TAbortTimer(const TAbortTimer&) = delete;
    TAbortTimer& operator=(const TAbortTimer&) = delete;

private:
    THTTPSend& http_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
    std::thread thread_;
};

// The Location value of a 301 answer, lower-cased; relative targets are taken against url.
std::string RedirectTarget(const std::vector<std::string>& headers, const std::string& url) {
    for (const auto& line : headers) {
        std::string lower = Lower(line);
        if (lower.rfind("location:", 0) != 0)
            continue;
        std::string target = Trim(lower.substr(9));
        if (!target.empty() && target.front() == '/') {
            TParsedUrl base = ParseURL(url);
            target = Lower(base.Prot + "://" + base.Host + ":" + base.Port) + target;
        }
        return target;
    }
    return {};
}

} // namespace

TVemoGetHttpText::TVemoGetHttpText() {
    http_.UserAgent = agent_;
}

void TVemoGetHttpText::SetAgent(const std::string& value) {
    agent_ = value;
    http_.UserAgent = value;
}

void TVemoGetHttpText::SetProxySrv(const std::string& value) {
    proxySrv_ = value;
    http_.ProxyHost = value;
}

void TVemoGetHttpText::SetProxyPort(const std::string& value) {
    proxyPort_ = value;
    http_.ProxyPort = value;
}

void TVemoGetHttpText::SetProxyUserName(const std::string& value) {
    proxyUserName_ = value;
    http_.ProxyUser = value;
}

void TVemoGetHttpText::SetProxyPassword(const std::string& value) {
    proxyPassword_ = value;
    http_.ProxyPass = value;
}

bool TVemoGetHttpText::GetText() {
    http_.Sock.StopFlag.store(false);
    http_.Sock.SetDeadline(Deadline);
    TAbortTimer timer(http_, TimeOut);
    bool ok = http_.DoRequest("GET", Url);
    if (ok && http_.ResultCode == 301) {
        std::string target = RedirectTarget(http_.Headers, Url);
        if (!target.empty()) {
            http_.Headers.clear();
            http_.Document.clear();
            http_.DoRequest("GET", target);
        }
    }
    std::vector<std::string> lines = SplitTextLines(http_.Document);
    if (!lines.empty()) {
        theText_.clear();
        for (const auto& line : lines)
            theText_ += line + "\r\n";
    }
    return ok;
}

bool GetHttpText(std::string& text, const std::string& agent, const std::string& url) {
    TVemoGetHttpText getter;
    getter.SetAgent(agent);
    getter.Url = url;
    if (!getter.GetText())
        return false;
    text = Trim(getter.TheText());
    return true;
}

} // namespace hostaq
