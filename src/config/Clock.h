#pragma once

#include "config/DateTime.h"

#include <atomic>

namespace hostaq {

// The one place the program asks for "now". Tests install a TManualClock and move it.
class TClock {
public:
    virtual ~TClock() = default;
    virtual TDateTime Now() const = 0;
};

// The local wall clock.
class TSystemClock : public TClock {
public:
    TDateTime Now() const override;
};

// A clock that only moves when told to.
class TManualClock : public TClock {
public:
    explicit TManualClock(TDateTime start = TDateTime::FromParts(2007, 12, 31, 23, 59, 0))
        : now_(start.Msecs()) {}
    TDateTime Now() const override { return TDateTime::FromMsecs(now_.load()); }
    void Set(TDateTime t) { now_.store(t.Msecs()); }
    void AdvanceMsecs(std::int64_t ms) { now_.fetch_add(ms); }
    void AdvanceSecs(std::int64_t s) { AdvanceMsecs(s * 1000); }

private:
    std::atomic<std::int64_t> now_;
};

// Current local date and time from the installed clock.
TDateTime Now();
// Installs a clock (nullptr restores the system clock). The caller keeps ownership.
void SetClock(const TClock* clock);

// Installs a clock for the lifetime of the guard.
class TClockGuard {
public:
    explicit TClockGuard(const TClock* clock) { SetClock(clock); }
    ~TClockGuard() { SetClock(nullptr); }
    TClockGuard(const TClockGuard&) = delete;
    TClockGuard& operator=(const TClockGuard&) = delete;
};

} // namespace hostaq
