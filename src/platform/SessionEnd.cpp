#include "platform/SessionEnd.h"

#include "platform/ExitWin.h"

namespace hostaq {

bool TLogindSessionEnd::CanSuspend() {
    return TVemoExitWin(busAddress_).CanSuspend();
}

bool TLogindSessionEnd::CanHibernate() {
    return TVemoExitWin(busAddress_).CanHibernate();
}

bool TLogindSessionEnd::Execute(TExitWinType type, bool unconditional, std::string& error) {
    TVemoExitWin exitWin(busAddress_);
    exitWin.ExitWinType = type;
    exitWin.Unconditional = unconditional;
    const bool ok = exitWin.Execute();
    error = exitWin.LastError;
    return ok;
}

} // namespace hostaq
