#include "platform/ExitWin.h"

#include "platform/DBusConnection.h"

#include <cstring>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace hostaq {

namespace {
const char* const LogindService = "org.freedesktop.login1";
const char* const LogindPath = "/org/freedesktop/login1";
const char* const ManagerInterface = "org.freedesktop.login1.Manager";
const char* const SessionInterface = "org.freedesktop.login1.Session";

// Frees an sd_bus_error and message when the call is done.
struct TCall {
    sd_bus_error Error = SD_BUS_ERROR_NULL;
    sd_bus_message* Reply = nullptr;
    ~TCall() {
        ::sd_bus_error_free(&Error);
        ::sd_bus_message_unref(Reply);
    }
    std::string Reason(int rc) const {
        if (::sd_bus_error_is_set(&Error)) {
            std::string text = Error.message != nullptr ? Error.message : "";
            return text.empty() ? Error.name : text + " (" + Error.name + ")";
        }
        return std::strerror(-rc);
    }
};

const char* ActionMethod(TExitWinType type) {
    switch (type) {
    case ewReboot:
        return "Reboot";
    case ewShutDown:
    case ewPowerOff:
        return "PowerOff";
    case ewStandBy:
        return "Suspend";
    case ewHibernate:
        return "Hibernate";
    default:
        return nullptr;
    }
}
} // namespace

TVemoExitWin::TVemoExitWin(std::string busAddress) : busAddress_(std::move(busAddress)) {}

bool TVemoExitWin::Can(const char* method) {
    TBusPtr bus = OpenBus(busAddress_, TBusKind::System, "hostaq-power");
    if (!bus)
        return false;
    TCall call;
    if (::sd_bus_call_method(bus.get(), LogindService, LogindPath, ManagerInterface, method, &call.Error,
                             &call.Reply, "") < 0)
        return false;
    const char* answer = nullptr;
    if (::sd_bus_message_read(call.Reply, "s", &answer) < 0 || answer == nullptr)
        return false;
    return std::strcmp(answer, "yes") == 0 || std::strcmp(answer, "challenge") == 0;
}

bool TVemoExitWin::CanSuspend() {
    return Can("CanSuspend");
}

bool TVemoExitWin::CanHibernate() {
    return Can("CanHibernate");
}

bool TVemoExitWin::Execute() {
    LastError.clear();
    std::string reason;
    TBusPtr bus = OpenBus(busAddress_, TBusKind::System, "hostaq-exit", &reason);
    if (!bus) {
        LastError = "Error: " + reason;
        return false;
    }
    if (ExitWinType == ewLogoff) {
        // Log off ends the session this process belongs to, whatever Unconditional says.
        TCall find;
        int rc =
            ::sd_bus_call_method(bus.get(), LogindService, LogindPath, ManagerInterface, "GetSessionByPID",
                                 &find.Error, &find.Reply, "u", static_cast<std::uint32_t>(::getpid()));
        const char* session = nullptr;
        if (rc >= 0)
            rc = ::sd_bus_message_read(find.Reply, "o", &session);
        if (rc < 0) {
            LastError = "Error: " + find.Reason(rc);
            return false;
        }
        TCall terminate;
        rc = ::sd_bus_call_method(bus.get(), LogindService, session, SessionInterface, "Terminate",
                                  &terminate.Error, nullptr, "");
        if (rc < 0) {
            LastError = "Error: " + terminate.Reason(rc);
            return false;
        }
        return true;
    }
    const char* method = ActionMethod(ExitWinType);
    if (method == nullptr) {
        LastError = "Error: unknown action " + std::to_string(static_cast<int>(ExitWinType));
        return false;
    }
    // Stand by and hibernate are requested only where the machine allows them.
    if ((ExitWinType == ewStandBy && !CanSuspend()) || (ExitWinType == ewHibernate && !CanHibernate())) {
        LastError = std::string("Error: ") + method + " is not allowed on this machine";
        return false;
    }
    const std::uint64_t flags = Unconditional ? 0 : LogindRootCheckInhibitors;
    TCall call;
    int rc =
        ::sd_bus_call_method(bus.get(), LogindService, LogindPath, ManagerInterface,
                             (std::string(method) + "WithFlags").c_str(), &call.Error, nullptr, "t", flags);
    if (rc < 0 && ::sd_bus_error_has_name(&call.Error, SD_BUS_ERROR_UNKNOWN_METHOD)) {
        // An older logind: the plain method, without asking the user for rights.
        TCall plain;
        rc = ::sd_bus_call_method(bus.get(), LogindService, LogindPath, ManagerInterface, method,
                                  &plain.Error, nullptr, "b", 0);
        if (rc < 0) {
            LastError = "Error: " + plain.Reason(rc);
            return false;
        }
        return true;
    }
    if (rc < 0) {
        LastError = "Error: " + call.Reason(rc);
        return false;
    }
    return true;
}

} // namespace hostaq
