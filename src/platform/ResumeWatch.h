#pragma once

#include "platform/DBusConnection.h"

#include <string>

struct sd_bus_slot;

namespace hostaq {

// logind's word that the machine woke up: the manager's PrepareForSleep(false) on the system
// bus (a test's own bus at an address).
class TResumeWatch {
public:
    TResumeWatch() = default;
    ~TResumeWatch();
    TResumeWatch(const TResumeWatch&) = delete;
    TResumeWatch& operator=(const TResumeWatch&) = delete;

    // busAddress empty: the system bus. False, with the reason in error, when the bus cannot be
    // reached.
    bool Open(const std::string& busAddress, std::string& error);
    void Close();
    // The descriptor to watch for reading; -1 when closed.
    int Fd() const;
    // Handles what the bus sent. Returns how many resumes arrived; false in ok when the bus went
    // away (the watch is closed then).
    int Read(bool& ok);

    // The bus has confirmed the subscription: from now on no resume is missed.
    bool Ready() const { return ready_; }

    // For the bus's callbacks.
    void Resumed() { ++resumes_; }
    void Subscribed() { ready_ = true; }

private:
    TBusPtr bus_;
    sd_bus_slot* slot_ = nullptr;
    int resumes_ = 0;
    bool ready_ = false;
};

} // namespace hostaq
