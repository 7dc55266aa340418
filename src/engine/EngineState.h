#pragma once

#include <cstdint>

namespace hostaq {

// What the engine is doing (CycleState).
enum TCycleState : std::uint8_t {
    CycleStarting = 0, // the start-up routine has not finished
    CycleUpdating = 1, // an update run is in progress
    CycleSettings = 2, // the settings dialog is open
    CycleIdle = 3,
};

// Where the address check stands (AddressState).
enum TAddressState : std::uint8_t {
    AddressChecking = 0, // a check is in progress
    AddressWaiting = 1,  // a check has finished and its result waits for the heartbeat
    AddressNone = 2,     // nothing pending
};

// How the machine reaches the network (ConnectionKind).
enum TConnectionKind : std::uint8_t { ConnectionDialUp = 0, ConnectionLan = 1, ConnectionProxy = 2 };

} // namespace hostaq
