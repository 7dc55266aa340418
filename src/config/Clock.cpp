#include "config/Clock.h"

#include <atomic>
#include <chrono>
#include <ctime>

namespace hostaq {

TDateTime TSystemClock::Now() const {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    const int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return TDateTime::FromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec, ms);
}

namespace {
const TSystemClock SystemClock;
std::atomic<const TClock*> CurrentClock{&SystemClock};
} // namespace

TDateTime Now() {
    return CurrentClock.load(std::memory_order_acquire)->Now();
}

void SetClock(const TClock* clock) {
    CurrentClock.store(clock ? clock : &SystemClock, std::memory_order_release);
}

} // namespace hostaq
