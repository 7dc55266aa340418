#pragma once

#include <memory>
#include <string>

struct sd_bus;

namespace hostaq {

enum class TBusKind { Session, System };

struct TBusDeleter {
    void operator()(sd_bus* bus) const;
};
using TBusPtr = std::unique_ptr<sd_bus, TBusDeleter>;

// Opens a D-Bus connection as a client: the bus at address (tests run a private daemon), or the
// session or system bus when address is empty. Null when no bus can be reached; error (when
// given) then holds the reason.
TBusPtr OpenBus(const std::string& address, TBusKind kind, const char* description,
                std::string* error = nullptr);

} // namespace hostaq
