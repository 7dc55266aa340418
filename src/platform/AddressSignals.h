#pragma once

#include "engine/EngineSeams.h"
#include "platform/DBusConnection.h"

#include <string>

namespace hostaq {

// Where other programs find the address signals: member "HOSTAQ_UPDATER_CURRENT_IP" or
// "HOSTAQ_UPDATER_UPDATED_IP", arguments (s address, u wParam, u lParam).
inline constexpr const char* AddressSignalPath = "/example/hostaq/Updater";
inline constexpr const char* AddressSignalInterface = "example.hostaq.Updater";

// Broadcasts the addresses as D-Bus signals on the session bus (the system bus for the service).
// Without a bus nothing happens and nothing is reported.
class TAddressSignals : public TAddressBroadcaster {
public:
    // busAddress empty: the session or system bus by kind.
    explicit TAddressSignals(std::string busAddress = {}, TBusKind kind = TBusKind::Session);

    void Broadcast(const std::string& messageName, const std::string& address, long long wParam,
                   long long lParam) override;

private:
    bool Emit(const std::string& messageName, const std::string& address, long long wParam, long long lParam);

    std::string busAddress_;
    TBusKind kind_;
    TBusPtr bus_;
};

} // namespace hostaq
