#pragma once

#include "engine/EngineSeams.h"

#include <string>

namespace hostaq {

// Ends the session or the machine's run through systemd-logind: log off terminates this
// process's session; restart, shut down, stand by and hibernate are the manager's Reboot,
// PowerOff, Suspend and Hibernate. Unconditional makes them ignore the inhibitors applications
// hold (for root); otherwise inhibitors are respected.
class TVemoExitWin {
public:
    // busAddress empty: the system bus.
    explicit TVemoExitWin(std::string busAddress = {});

    TExitWinType ExitWinType = ewLogoff;
    bool Unconditional = false;
    // Empty, or "Error: " and the reason of the last failure.
    std::string LastError;

    // True when logind accepted the request.
    bool Execute();
    // logind says the machine can suspend (or hibernate), possibly after asking for rights.
    bool CanSuspend();
    bool CanHibernate();

private:
    bool Can(const char* method);

    std::string busAddress_;
};

// The flag logind's ...WithFlags methods take to hold even root to the block inhibitors.
inline constexpr unsigned long long LogindRootCheckInhibitors = 1;

} // namespace hostaq
