#include "platform/StatusNotifier.h"

#include "platform/DBusConnection.h"

#include <systemd/sd-bus.h>

namespace hostaq {

namespace {
constexpr const char* WatcherName = "org.kde.StatusNotifierWatcher";
constexpr const char* WatcherPath = "/StatusNotifierWatcher";
constexpr std::uint64_t AnswerWithinUsec = 1000000;
} // namespace

bool StatusNotifierHostRegistered(const std::string& address) {
    TBusPtr bus = OpenBus(address, TBusKind::Session, "hostaq-tray");
    if (!bus)
        return false;
    ::sd_bus_set_method_call_timeout(bus.get(), AnswerWithinUsec);
    sd_bus_error error = SD_BUS_ERROR_NULL;
    int registered = 0;
    const int rc = ::sd_bus_get_property_trivial(bus.get(), WatcherName, WatcherPath, WatcherName,
                                                 "IsStatusNotifierHostRegistered", &error, 'b', &registered);
    ::sd_bus_error_free(&error);
    return rc >= 0 && registered != 0;
}

} // namespace hostaq
