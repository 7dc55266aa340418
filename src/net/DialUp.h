#pragma once

#include "net/DialUpPpp.h"

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace hostaq {

enum class TDialMode { dmAsync, dmSync };

// The connection states reported while dialling.
inline constexpr int RasOpenPort = 0;
inline constexpr int RasDeviceConnected = 3;
inline constexpr int RasAllDevicesConnected = 4;
inline constexpr int RasAuthenticated = 14;
inline constexpr int RasProjected = 18;
inline constexpr int RasConnected = 8192;
inline constexpr int RasDisconnected = 8193;

// Error codes of the dialer beside pppd's exit statuses (1 to 21).
inline constexpr int DialErrorCannotStart = 2000;
inline constexpr int DialErrorNoPppd = 2001;

struct TRasConnectionDetails {
    int Handle = 0; // the pid of the pppd serving the connection
    std::string EntryName;
    std::string DeviceType;
    std::string DeviceName;
    std::string ClientIP;
    std::string ServerIP;
};

struct TDialAttempt;

// The dial-up component: dials a peers entry through pppd, watches the open connections and
// reports what happens through its events, all on the main thread.
class TVemoDialUp {
public:
    explicit TVemoDialUp(TPppSystem system = {});
    ~TVemoDialUp();
    TVemoDialUp(const TVemoDialUp&) = delete;
    TVemoDialUp& operator=(const TVemoDialUp&) = delete;

    // Properties.
    TDialMode DialMode = TDialMode::dmAsync;
    std::vector<std::string> Entries; // filled by GetEntries
    std::string EntryName;
    std::string UserName;
    std::string Password;
    std::string ClientIP; // the client address of the last connection

    // Polls the open connections, then tells whether one is up.
    bool Online();
    bool Monitor() const { return monitor_; }
    void SetMonitor(bool value);
    int PollInterval() const { return pollInterval_; }
    void SetPollInterval(int ms);

    // Events (main thread).
    std::function<void()> OnDialing;
    std::function<void(int errorCode, const std::string& errorMessage)> OnDialFinish;
    std::function<void(const TRasConnectionDetails& info)> OnRasConnected;
    std::function<void()> OnRasDisconnected;
    std::function<void(int state, const std::string& messageText)> OnAsyncEvent;
    std::function<void(int errorCode, const std::string& errorMessage)> OnError;

    // The monitor timer belongs to the owner's event loop: the dialer says when it starts and
    // stops (and at which interval), and the owner calls MonitorTimer at each tick.
    std::function<void(bool enabled, int intervalMs)> OnMonitorTimerChange;
    bool MonitorTimerEnabled() const { return monitorTimer_; }
    void MonitorTimer();

    // pppd is installed.
    bool Available() const;
    // 0 on success (asynchronous: the dial has started), the error code of a failed dial, -1
    // when the dial is refused.
    int Dial();
    // Ends the connection of EntryName (or a dial in progress). A line hung up on purpose is not
    // reported as a drop.
    void HangUp();
    // Ends a dial in progress (its pppd is told to end); a line that is up stays up. Nothing is
    // reported for the abandoned dial.
    void CancelDial();
    std::vector<std::string> GetEntries();
    bool IsConnected(const std::string& entry);
    // Details of this dialer's connection (else the first open one); false when none is open.
    bool GetConnectionInfo(TRasConnectionDetails& details);
    bool Dialing() const { return attempt_ != nullptr; }

    static std::string StateText(int state);
    static std::string ErrorText(int code);
    // The state a line of pppd's output shows, -1 for none.
    static int StateOfOutputLine(const std::string& line);

private:
    friend class TDialWatcher;
    std::vector<TPppLink> OpenLinks();
    void SetMonitorTimer(bool enabled);
    void Fail(int code, bool restartMonitor);
    void Connected();
    void HandOver(const TDialAttempt* attempt, int state, int error);

    TPppSystem system_;
    bool monitor_ = false;
    int pollInterval_ = 1000;
    bool monitorTimer_ = false;
    bool connected_ = false;
    int handle_ = 0;
    std::set<int> hungUp_; // pppd processes told to end whose link may still be listed
    std::shared_ptr<TDialAttempt> attempt_;
};

} // namespace hostaq
