#include "net/DialUp.h"

#include "net/MainThread.h"
#include "net/WorkerThread.h"

#include <algorithm>
#include <strings.h>

namespace hostaq {

// One dial in progress, shared by the dialer and the thread that watches its pppd. Owner is
// touched only on the main thread; it is cleared when the dial is cancelled or the dialer goes.
struct TDialAttempt {
    TVemoDialUp* Owner = nullptr;
    TPppProcess Process;
};

// Waits for one pppd and hands its progress to the main thread, one state at a time: the next
// state is read only after the main thread has handled the previous one.
class TDialWatcher : public TWorkerThread {
public:
    explicit TDialWatcher(std::shared_ptr<TDialAttempt> attempt) : attempt_(std::move(attempt)) {}

protected:
    void Execute() override {
        HandOver(RasOpenPort, 0);
        const int status = attempt_->Process.Wait([this](const std::string& line) {
            const int state = TVemoDialUp::StateOfOutputLine(line);
            if (state >= 0)
                HandOver(state, 0);
        });
        if (status == 0)
            HandOver(RasConnected, 0);
        else
            HandOver(0, status < 0 ? DialErrorCannotStart : status);
    }

private:
    void HandOver(int state, int error) {
        std::shared_ptr<TDialAttempt> attempt = attempt_;
        Synchronize([attempt, state, error] {
            if (attempt->Owner != nullptr)
                attempt->Owner->HandOver(attempt.get(), state, error);
        });
    }

    std::shared_ptr<TDialAttempt> attempt_;
};

namespace {
const char* const NoEntryText = "No dialer entry is specified";

bool SameEntry(const std::string& a, const std::string& b) {
    return !a.empty() && ::strcasecmp(a.c_str(), b.c_str()) == 0;
}
} // namespace

TVemoDialUp::TVemoDialUp(TPppSystem system) : system_(std::move(system)) {}

TVemoDialUp::~TVemoDialUp() {
    // A dial nobody will hear about is abandoned.
    if (attempt_) {
        attempt_->Owner = nullptr;
        attempt_->Process.Terminate();
    }
}

bool TVemoDialUp::Available() const {
    return !system_.FindPppd().empty();
}

void TVemoDialUp::SetMonitor(bool value) {
    monitor_ = value;
    SetMonitorTimer(value);
}

void TVemoDialUp::SetPollInterval(int ms) {
    pollInterval_ = ms;
    if (monitorTimer_ && OnMonitorTimerChange)
        OnMonitorTimerChange(true, pollInterval_);
}

void TVemoDialUp::SetMonitorTimer(bool enabled) {
    if (monitorTimer_ == enabled)
        return;
    monitorTimer_ = enabled;
    if (OnMonitorTimerChange)
        OnMonitorTimerChange(enabled, pollInterval_);
}

std::vector<TPppLink> TVemoDialUp::OpenLinks() {
    std::vector<TPppLink> links = system_.Links();
    // Links of a pppd told to end are on their way out; once gone they are forgotten.
    std::set<int> stillListed;
    std::erase_if(links, [&](const TPppLink& link) {
        if (link.Pid != 0 && hungUp_.count(link.Pid) != 0) {
            stillListed.insert(link.Pid);
            return true;
        }
        return false;
    });
    hungUp_ = std::move(stillListed);
    return links;
}

bool TVemoDialUp::Online() {
    MonitorTimer();
    return connected_;
}

void TVemoDialUp::MonitorTimer() {
    const std::vector<TPppLink> links = OpenLinks();
    if (links.empty()) {
        if (connected_) {
            connected_ = false;
            handle_ = 0;
            if (OnRasDisconnected)
                OnRasDisconnected();
        }
        return;
    }
    if (connected_)
        return;
    // Any open connection counts, not only the one of EntryName.
    handle_ = links.front().Pid;
    if (links.front().LocalAddress.empty())
        return;
    connected_ = true;
    TRasConnectionDetails details;
    GetConnectionInfo(details);
    ClientIP = details.ClientIP;
    if (OnRasConnected)
        OnRasConnected(details);
}

std::vector<std::string> TVemoDialUp::GetEntries() {
    Entries = system_.Entries();
    return Entries;
}

bool TVemoDialUp::IsConnected(const std::string& entry) {
    const std::vector<TPppLink> links = OpenLinks();
    return std::any_of(links.begin(), links.end(),
                       [&](const TPppLink& link) { return SameEntry(link.Entry, entry); });
}

bool TVemoDialUp::GetConnectionInfo(TRasConnectionDetails& details) {
    const std::vector<TPppLink> links = OpenLinks();
    if (links.empty())
        return false;
    auto it = std::find_if(links.begin(), links.end(),
                           [&](const TPppLink& link) { return handle_ != 0 && link.Pid == handle_; });
    if (it == links.end())
        it = std::find_if(links.begin(), links.end(),
                          [&](const TPppLink& link) { return SameEntry(link.Entry, EntryName); });
    if (it == links.end())
        it = links.begin();
    details.Handle = it->Pid;
    details.EntryName = it->Entry.empty() ? EntryName : it->Entry;
    details.DeviceType = "PPP";
    details.DeviceName = it->Interface;
    details.ClientIP = it->LocalAddress;
    details.ServerIP = it->PeerAddress;
    return true;
}

int TVemoDialUp::Dial() {
    if (EntryName.empty()) {
        if (OnError)
            OnError(-1, NoEntryText);
        return -1;
    }
    if (IsConnected(EntryName) || attempt_) {
        if (OnError)
            OnError(-1, EntryName + " is already dialed");
        return -1;
    }
    handle_ = 0;
    SetMonitorTimer(false);
    if (OnDialing)
        OnDialing();

    auto attempt = std::make_shared<TDialAttempt>();
    const std::string pppd = system_.FindPppd();
    int code = pppd.empty() ? DialErrorNoPppd : 0;
    if (code == 0 && attempt->Process.Start(pppd, EntryName, UserName, Password) != 0)
        code = DialErrorCannotStart;
    if (code != 0) {
        Fail(code, DialMode == TDialMode::dmAsync);
        return code;
    }
    if (DialMode == TDialMode::dmSync) {
        const int status = attempt->Process.Wait({});
        if (status != 0) {
            code = status < 0 ? DialErrorCannotStart : status;
            Fail(code, false);
            return code;
        }
        Connected();
        return 0;
    }
    attempt->Owner = this;
    attempt_ = attempt;
    try {
        (new TDialWatcher(attempt))->Start();
    } catch (...) {
        attempt_.reset();
        attempt->Process.Terminate();
        attempt->Process.Wait({});
        Fail(DialErrorCannotStart, true);
        return DialErrorCannotStart;
    }
    return 0;
}

void TVemoDialUp::Fail(int code, bool restartMonitor) {
    const std::string text = ErrorText(code);
    if (OnError)
        OnError(code, text);
    if (OnDialFinish)
        OnDialFinish(code, text);
    if (restartMonitor && monitor_)
        SetMonitorTimer(true);
}

void TVemoDialUp::Connected() {
    connected_ = true;
    TRasConnectionDetails details;
    GetConnectionInfo(details);
    handle_ = details.Handle;
    ClientIP = details.ClientIP;
    if (OnRasConnected)
        OnRasConnected(details);
    if (OnDialFinish)
        OnDialFinish(0, StateText(RasConnected));
    if (monitor_)
        SetMonitorTimer(true);
}

void TVemoDialUp::HandOver(const TDialAttempt* attempt, int state, int error) {
    if (attempt != attempt_.get())
        return;
    if (error != 0) {
        attempt_.reset();
        Fail(error, false);
    } else if (state == RasConnected) {
        attempt_.reset();
        Connected();
    } else if (OnAsyncEvent) {
        OnAsyncEvent(state, StateText(state));
    }
}

void TVemoDialUp::HangUp() {
    if (EntryName.empty()) {
        if (OnError)
            OnError(-1, NoEntryText);
        return;
    }
    CancelDial();
    for (const TPppLink& link : OpenLinks()) {
        if (link.Pid > 0 && (link.Pid == handle_ || SameEntry(link.Entry, EntryName))) {
            system_.EndLink(link.Pid);
            hungUp_.insert(link.Pid);
        }
    }
    connected_ = false;
    handle_ = 0;
}

void TVemoDialUp::CancelDial() {
    if (!attempt_)
        return;
    attempt_->Owner = nullptr;
    attempt_->Process.Terminate();
    attempt_.reset();
}

int TVemoDialUp::StateOfOutputLine(const std::string& line) {
    if (line.find("Serial connection established") != std::string::npos)
        return RasDeviceConnected;
    if (line.rfind("Connect: ", 0) == 0)
        return RasAllDevicesConnected;
    if (line.find("authentication succeeded") != std::string::npos)
        return RasAuthenticated;
    if (line.rfind("local  IP address", 0) == 0 || line.rfind("local IP address", 0) == 0)
        return RasProjected;
    return -1;
}

std::string TVemoDialUp::StateText(int state) {
    switch (state) {
    case 0:
        return "Opening port";
    case 1:
        return "Port opened";
    case 2:
        return "Connecting device";
    case 3:
        return "Device connected";
    case 4:
        return "All devices connected";
    case 5:
        return "Starting authentication";
    case 6:
        return "Authentication: notify";
    case 7:
        return "Authentication: retry";
    case 8:
        return "Authentication: callback";
    case 9:
        return "Authentication: change password";
    case 10:
        return "Authentication: projecting";
    case 11:
        return "Authentication: link speed";
    case 12:
        return "Authentication: acknowledge";
    case 13:
        return "Authentication: reauthenticate";
    case 14:
        return "Authenticated";
    case 15:
        return "Preparing for callback";
    case 16:
        return "Waiting for modem reset";
    case 17:
        return "Waiting for callback";
    case 18:
        return "Projected";
    case 19:
        return "Start authentication";
    case 20:
        return "Callback complete";
    case 21:
        return "Logging on network";
    case 22:
        return "Sub entry connected";
    case 23:
        return "Sub entry disconnected";
    case 4096:
        return "Interactive";
    case 4097:
        return "Retry authentication";
    case 4098:
        return "Callback set by caller";
    case 4099:
        return "Password expired";
    case 8192:
        return "Connected";
    case 8193:
        return "Disconnected";
    default:
        return "Connection state #" + std::to_string(state);
    }
}

std::string TVemoDialUp::ErrorText(int code) {
    switch (code) {
    case DialErrorCannotStart:
        return "pppd could not be started";
    case DialErrorNoPppd:
        return "pppd is not installed";
    default:
        return PppExitText(code);
    }
}

} // namespace hostaq
