#pragma once

#include "engine/EngineSeams.h"

#include <string>

namespace hostaq {

// The engine's session end actions, performed by TVemoExitWin through systemd-logind.
class TLogindSessionEnd : public TSessionEnd {
public:
    // busAddress empty: the system bus.
    explicit TLogindSessionEnd(std::string busAddress = {}) : busAddress_(std::move(busAddress)) {}

    bool CanSuspend() override;
    bool CanHibernate() override;
    bool Execute(TExitWinType type, bool unconditional, std::string& error) override;

private:
    std::string busAddress_;
};

} // namespace hostaq
