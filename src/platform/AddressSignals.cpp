#include "platform/AddressSignals.h"

#include <cstdint>
#include <systemd/sd-bus.h>

namespace hostaq {

TAddressSignals::TAddressSignals(std::string busAddress, TBusKind kind)
    : busAddress_(std::move(busAddress)), kind_(kind) {}

bool TAddressSignals::Emit(const std::string& messageName, const std::string& address, long long wParam,
                           long long lParam) {
    if (!bus_)
        bus_ = OpenBus(busAddress_, kind_, "hostaq-signals");
    if (!bus_)
        return false;
    const int rc = ::sd_bus_emit_signal(
        bus_.get(), AddressSignalPath, AddressSignalInterface, messageName.c_str(), "suu", address.c_str(),
        static_cast<std::uint32_t>(wParam), static_cast<std::uint32_t>(lParam));
    if (rc >= 0 && ::sd_bus_flush(bus_.get()) >= 0)
        return true;
    bus_.reset();
    return false;
}

void TAddressSignals::Broadcast(const std::string& messageName, const std::string& address, long long wParam,
                                long long lParam) {
    // A connection the bus dropped (a restarted session bus) is opened again once.
    const bool hadConnection = bus_ != nullptr;
    if (!Emit(messageName, address, wParam, lParam) && hadConnection)
        Emit(messageName, address, wParam, lParam);
}

} // namespace hostaq
