#include "engine/EngineSeams.h"

#include "engine/ProgramLauncher.h"
#include "engine/WorkingSet.h"
#include "groups/HostaqUpdate.h"
#include "groups/UpdateReport.h"
#include "ipdetect/FindIPProxy.h"
#include "ipdetect/NetlinkAddresses.h"
#include "net/MailReport.h"

#include <arpa/inet.h>
#include <cstdio>
#include <netdb.h>

namespace hostaq {

namespace {

// The web check of the address detection layer.
class TFindIPChecker : public TWebChecker {
public:
    void Start(const TCheckSettings& settings, TDone onDone, std::function<void()> onEnd) override {
        auto* check = new TFindIPProxy;
        ApplyCheckSettings(*check, settings);
        check->OnDone = [onDone = std::move(onDone)](TFindIPProxy& sender, const std::string& address) {
            onDone(address, sender.Failure);
        };
        check->OnTerminate = [onEnd = std::move(onEnd)](TFindIPProxy&) { onEnd(); };
        check->Start();
    }
};

// One group's controller of the update protocol layer.
class THostaqGroupUpdate : public TGroupUpdate {
public:
    bool Done() const override { return Controller.Done; }
    UpdateResultClass Result() const override { return Controller.Result; }
    THostaqUpdate Controller;
};

class THostaqUpdater : public TGroupUpdater {
public:
    std::shared_ptr<TGroupUpdate> Start(const std::string& groupName, const std::string& address,
                                        const TUpdateRequest& request) override {
        auto update = std::make_shared<THostaqGroupUpdate>();
        update->Controller.StartUpdate(address, groupName, request);
        return update;
    }
};

class TSmtpReportMailer : public TReportMailer {
public:
    void Send(const std::string& currentAddress, const std::string& updatedAddress,
              std::function<void()> onFinished) override {
        SendReportMail(UpdateReport().Text(), currentAddress, updatedAddress,
                       [onFinished = std::move(onFinished)](int) {
                           if (onFinished)
                               onFinished();
                       });
    }
};

class TNoBroadcast : public TAddressBroadcaster {
public:
    void Broadcast(const std::string&, const std::string&, long long, long long) override {}
};

class TNoSessionEnd : public TSessionEnd {
public:
    bool CanSuspend() override { return false; }
    bool CanHibernate() override { return false; }
    bool Execute(TExitWinType, bool, std::string& error) override {
        error = "Error: ending the session is not available";
        return false;
    }
};

class TNoDialer : public TDialer {
public:
    bool Available() override { return false; }
    bool Connected() override { return false; }
    std::string ClientAddress() override { return {}; }
    void Dial() override {}
    void HangUp() override {}
    void StartMonitor() override {}
    void StopMonitor() override {}
};

class TNoVersionCheck : public TVersionCheck {
public:
    TDateTime NextCheck() override { return TDateTime::FromParts(9999, 12, 31); }
    void Run() override {}
};

class TNoNetworkMonitor : public TNetworkMonitor {
public:
    void Start(TChanged) override {}
    void Stop() override {}
};

std::string ResolveIPv4(const std::string& hostName) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (::getaddrinfo(hostName.c_str(), nullptr, &hints, &result) != 0 || result == nullptr)
        return {};
    char text[INET_ADDRSTRLEN] = {};
    const auto* in = reinterpret_cast<const sockaddr_in*>(result->ai_addr);
    const char* ok = ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
    ::freeaddrinfo(result);
    return ok ? std::string(text) : std::string();
}

} // namespace

TEngineServices DefaultEngineServices() {
    static TFindIPChecker webChecker;
    static THostaqUpdater updater;
    static TSmtpReportMailer mailer;
    static TForkExecLauncher launcher;
    static TNoBroadcast broadcaster;
    static TNoSessionEnd sessionEnd;
    static TNoDialer dialer;
    static TNoVersionCheck versionCheck;
    static TNoNetworkMonitor networkMonitor;
    TEngineServices s;
    s.WebChecker = &webChecker;
    s.Updater = &updater;
    s.Mailer = &mailer;
    s.Launcher = &launcher;
    s.Broadcaster = &broadcaster;
    s.SessionEnd = &sessionEnd;
    s.Dialer = &dialer;
    s.VersionCheck = &versionCheck;
    s.NetworkMonitor = &networkMonitor;
    s.Resolve = ResolveIPv4;
    s.TrimWorkingSet = TrimWorkingSet;
    s.IPv6Addresses = [](std::string* error) { return ReadIPv6Addresses(error); };
    return s;
}

TPackedAddress PackAddress(const std::string& address) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    char extra = 0;
    TPackedAddress packed;
    if (std::sscanf(address.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &extra) != 4 || a > 255 || b > 255 ||
        c > 255 || d > 255)
        return packed;
    packed.WParam = a + b * 65536LL;
    packed.LParam = c + d * 65536LL;
    return packed;
}

} // namespace hostaq
