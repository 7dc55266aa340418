#pragma once

#include "config/DateTime.h"
#include "groups/UpdateResult.h"
#include "groups/UpdateUrl.h"
#include "ipdetect/CheckSettings.h"
#include "ipdetect/IPv6Choice.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hostaq {

// The places where the engine reaches out of the process or into a lower layer's workers. The
// engine holds one of each; production uses the defaults (DefaultEngineServices), tests and
// the platform integration put their own in.

// Fetches the check-ip page on a worker (over IPv6 and for an IPv6 address when settings.IPv6). onDone gets
// the address found, or an empty address and why none was found (the failure may be empty when nothing more
// is known); then onEnd follows, also when onDone was never called. Both run on the main thread.
class TWebChecker {
public:
    using TDone = std::function<void(const std::string& address, const std::string& failure)>;
    virtual ~TWebChecker() = default;
    virtual void Start(const TCheckSettings& settings, TDone onDone, std::function<void()> onEnd) = 0;
};

// One group's request in an update run (the group's controller). It writes the group's result
// keys, logs and reports through the group layer's handlers; the run only asks when it is done
// and with what class.
class TGroupUpdate {
public:
    virtual ~TGroupUpdate() = default;
    virtual bool Done() const = 0;
    virtual UpdateResultClass Result() const = 0;
};

class TGroupUpdater {
public:
    virtual ~TGroupUpdater() = default;
    // Starts the request of one group for the address sent.
    virtual std::shared_ptr<TGroupUpdate> Start(const std::string& groupName, const std::string& address,
                                                const TUpdateRequest& request) = 0;
};

// Mails the closed update report (SendReportMail). onFinished runs on the main thread once the
// mail was accepted or failed (its outcome is logged and stored in Options/MailSent already).
class TReportMailer {
public:
    virtual ~TReportMailer() = default;
    virtual void Send(const std::string& currentAddress, const std::string& updatedAddress,
                      std::function<void()> onFinished) = 0;
};

// Starts a program without a shell. The program is a file path; the arguments are passed as
// they are. Nothing is reported back.
class TProgramLauncher {
public:
    virtual ~TProgramLauncher() = default;
    virtual void Launch(const std::string& program, const std::vector<std::string>& arguments) = 0;
};

// Tells other programs an address: "HOSTAQ_UPDATER_CURRENT_IP" or "HOSTAQ_UPDATER_UPDATED_IP"
// with the address and its two packed numbers (PackAddress).
class TAddressBroadcaster {
public:
    virtual ~TAddressBroadcaster() = default;
    virtual void Broadcast(const std::string& messageName, const std::string& address, long long wParam,
                           long long lParam) = 0;
};

// Session end actions after an offline update.
enum TExitWinType : int {
    ewLogoff = 0,
    ewReboot = 1,
    ewShutDown = 2,
    ewPowerOff = 3,
    ewStandBy = 4,
    ewHibernate = 5
};

class TSessionEnd {
public:
    virtual ~TSessionEnd() = default;
    virtual bool CanSuspend() = 0;
    virtual bool CanHibernate() = 0;
    // True when the system accepted the request; otherwise error says why.
    virtual bool Execute(TExitWinType type, bool unconditional, std::string& error) = 0;
};

// The dial-up connection, as far as the check cycle needs it.
class TDialer {
public:
    virtual ~TDialer() = default;
    // A dial-up connection object exists or can be created.
    virtual bool Available() = 0;
    virtual bool Connected() = 0;
    virtual std::string ClientAddress() = 0;
    virtual void Dial() = 0;
    virtual void HangUp() = 0;
    virtual void StartMonitor() = 0;
    virtual void StopMonitor() = 0;
    // A dial is in progress or a redial is scheduled.
    virtual bool DialPending() { return false; }
    // Stops a dial in progress and a scheduled redial (a line that is up stays up).
    virtual void CancelPendingDial() {}
};

// The software update check.
class TVersionCheck {
public:
    virtual ~TVersionCheck() = default;
    // When the check runs next (read with the options).
    virtual TDateTime NextCheck() = 0;
    virtual void Run() = 0;
};

// Something that can change the public address.
struct TNetworkEvent {
    enum TKind : int {
        Unknown = 0,        // news were lost: something changed
        AddressAdded = 1,   // an address appeared (or became usable or deprecated)
        AddressRemoved = 2, // an address went
        RouteChanged = 3,   // a default route appeared or went
        LinkUp = 4,         // a link came up
        Resume = 5,         // the machine woke up
    };
    TKind Kind = Unknown;
    std::string Interface; // empty when none is known (a resume)
};

// Tells the engine of network changes (the kernel's, logind's resume) while it listens. Both
// calls and every onChange run on the main thread.
class TNetworkMonitor {
public:
    using TChanged = std::function<void(const TNetworkEvent&)>;
    virtual ~TNetworkMonitor() = default;
    virtual void Start(TChanged onChange) = 0;
    virtual void Stop() = 0;
};

// Everything the engine reaches through a seam. Null members take the defaults.
struct TEngineServices {
    TWebChecker* WebChecker = nullptr;
    TGroupUpdater* Updater = nullptr;
    TReportMailer* Mailer = nullptr;
    TProgramLauncher* Launcher = nullptr;
    TAddressBroadcaster* Broadcaster = nullptr;
    TSessionEnd* SessionEnd = nullptr;
    TDialer* Dialer = nullptr;
    TVersionCheck* VersionCheck = nullptr;
    TNetworkMonitor* NetworkMonitor = nullptr;
    // The address of a host name (the offline host); empty when it cannot be resolved.
    std::function<std::string(const std::string& hostName)> Resolve;
    // Gives unused memory back to the system after a quiet check.
    std::function<void()> TrimWorkingSet;
    // The IPv6 addresses of the interfaces (the kernel's list); on failure an empty list and why.
    std::function<std::vector<TIPv6Candidate>(std::string* error)> IPv6Addresses;
};

// The production services: the network workers of the lower layers, fork/exec launching,
// getaddrinfo, malloc_trim, and do-nothing platform seams (no broadcast, no session end, no
// dial-up, no version check, no network monitor) until the platform layer installs its own.
TEngineServices DefaultEngineServices();

// The two numbers of the address broadcast: a + b * 65536 and c + d * 65536 for a.b.c.d.
struct TPackedAddress {
    long long WParam = 0;
    long long LParam = 0;
};
TPackedAddress PackAddress(const std::string& address);

inline constexpr const char* CurrentIpMessage = "HOSTAQ_UPDATER_CURRENT_IP";
inline constexpr const char* UpdatedIpMessage = "HOSTAQ_UPDATER_UPDATED_IP";

} // namespace hostaq
