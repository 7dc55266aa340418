#pragma once

#include <functional>
#include <string>
#include <thread>

namespace hostaq {

// The request a second instance sends to the first: "show yourself".
inline constexpr const char* ShowRequestMessage = "VemoMsgHostaq_Updater";
inline constexpr const char* InstanceName = "Hostaq_Updater";

// The single-instance rule: a lock file and a UNIX socket named after the program in the user's
// runtime folder. The first instance holds the lock and listens on the socket; a later one
// finds the lock taken, sends the show request and ends.
class TSingleInstance {
public:
    // folder empty: $XDG_RUNTIME_DIR, else a private folder /tmp/hostaq-UID.
    explicit TSingleInstance(std::string folder = {}, std::string name = InstanceName);
    ~TSingleInstance();
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    // True when this is the first instance (it now holds the lock and listens). False when
    // another instance runs: the show request has been sent to it. When the lock cannot be made
    // at all the rule cannot be kept and the answer is true.
    bool Acquire();

    // Starts the thread that takes show requests of later instances. Each valid request calls
    // post(onShowRequest); post hands the call to the main thread. Only after Acquire gave true.
    using TPost = std::function<void(std::function<void()>)>;
    void Listen(TPost post, std::function<void()> onShowRequest);
    // Stops listening (also done by the destructor).
    void Stop();

    std::string LockPath() const;
    std::string SocketPath() const;

    // Sends the show request to the instance listening on socketPath; true when that instance
    // answered that it took it (queued for its main thread), so no request is lost silently.
    static bool SendShowRequest(const std::string& socketPath);

private:
    void Serve();
    void HandleClient(int fd);

    std::string folder_;
    std::string name_;
    int lockFd_ = -1;
    int listenFd_ = -1;
    int wakeFd_ = -1;
    TPost post_;
    std::function<void()> onShow_;
    std::thread thread_;
};

// The mark of a monitor (tray, headless or service) running on one configuration: a file beside
// the configuration, its name + ".pid", that holds the monitor's process id and is locked while
// the monitor runs. Other programs on the same configuration find the monitor through it and ask
// it to reload (SIGHUP). A file left by a monitor that died is not locked and counts for nothing.
class TMonitorLock {
public:
    explicit TMonitorLock(std::string configPath);
    ~TMonitorLock();
    TMonitorLock(const TMonitorLock&) = delete;
    TMonitorLock& operator=(const TMonitorLock&) = delete;

    // Takes the lock and writes this process's id. False when another monitor holds it (its id
    // in *other) or the file cannot be made (*other 0).
    bool Acquire(int* other = nullptr);

    static std::string PathFor(const std::string& configPath);
    // The process id of the monitor running on the configuration, 0 when none runs. Only a file
    // of the running user or the configuration's owner counts, and only a process seen to run
    // this program, so a file someone else wrote cannot aim the request at another process.
    static int RunningMonitor(const std::string& configPath);

private:
    std::string configPath_;
    std::string path_;
    int fd_ = -1;
};

// What became of a reload request.
struct TReloadRequest {
    int Pid = 0;       // the monitor asked, 0 when none runs on the configuration
    bool Sent = false; // the request reached it
    std::string Error; // why it did not
};
// Asks the monitor running on the configuration to reload everything (SIGHUP).
TReloadRequest RequestMonitorReload(const std::string& configPath);

} // namespace hostaq
