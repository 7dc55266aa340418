#include "platform/DBusConnection.h"

#include <cstring>
#include <systemd/sd-bus.h>

namespace hostaq {

void TBusDeleter::operator()(sd_bus* bus) const {
    ::sd_bus_flush_close_unref(bus);
}

TBusPtr OpenBus(const std::string& address, TBusKind kind, const char* description, std::string* error) {
    sd_bus* bus = nullptr;
    int rc = 0;
    if (address.empty()) {
        rc = kind == TBusKind::System ? ::sd_bus_open_system_with_description(&bus, description)
                                      : ::sd_bus_open_user_with_description(&bus, description);
    } else {
        rc = ::sd_bus_new(&bus);
        if (rc >= 0)
            rc = ::sd_bus_set_address(bus, address.c_str());
        if (rc >= 0)
            rc = ::sd_bus_set_description(bus, description);
        if (rc >= 0)
            rc = ::sd_bus_set_bus_client(bus, 1);
        if (rc >= 0)
            rc = ::sd_bus_start(bus);
    }
    if (rc < 0) {
        ::sd_bus_unref(bus);
        if (error != nullptr)
            *error = std::strerror(-rc);
        return nullptr;
    }
    return TBusPtr(bus);
}

} // namespace hostaq
