#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct sd_bus;
struct sd_bus_slot;

namespace hostaq::test {

// A stand-in for systemd-logind on a private bus: it owns org.freedesktop.login1 and answers the
// manager's power methods and a session's Terminate, recording each call as "Method argument".
class TFakeLogind {
public:
    struct TOptions {
        std::string CanSuspend = "yes";
        std::string CanHibernate = "yes";
        // Refuse every action with this D-Bus error (name and message); empty accepts.
        std::string RefuseName;
        std::string RefuseMessage;
        // An older logind without the ...WithFlags methods.
        bool WithoutFlags = false;
    };

    TFakeLogind(const std::string& busAddress, TOptions options);
    ~TFakeLogind();
    TFakeLogind(const TFakeLogind&) = delete;
    TFakeLogind& operator=(const TFakeLogind&) = delete;

    bool Ready() const { return bus_ != nullptr; }
    std::vector<std::string> Calls() const;
    // Sends the manager's PrepareForSleep signal (true: going to sleep, false: woken up).
    void EmitPrepareForSleep(bool start);

    // Handlers of the vtable (public for the C callbacks).
    int Record(const std::string& call, void* error);
    const TOptions& Options() const { return options_; }
    static const char* SessionPath() { return "/org/freedesktop/login1/session/_31"; }

private:
    TOptions options_;
    sd_bus* bus_ = nullptr;
    sd_bus_slot* managerSlot_ = nullptr;
    sd_bus_slot* sessionSlot_ = nullptr;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    std::vector<bool> signals_; // to send from the bus's thread
};

} // namespace hostaq::test
