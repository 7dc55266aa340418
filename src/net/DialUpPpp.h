#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace hostaq {

// An open point-to-point connection: a ppp interface that is up.
struct TPppLink {
    std::string Interface;    // "ppp0"
    std::string Entry;        // the peers entry its pppd was called with; empty when unknown
    int Pid = 0;              // the pppd serving it; 0 when unknown
    std::string LocalAddress; // the client address
    std::string PeerAddress;  // the server address
};

// Where the dialer finds pppd and its files. Dial-up is pppd here: the entries are the files of
// the peers folder, dialling runs "pppd call ENTRY", the open connections are the ppp interfaces,
// and hanging up ends the pppd that serves one.
struct TPppSystem {
    // The pppd program; empty: /usr/sbin/pppd, /sbin/pppd or pppd in PATH.
    std::string PppdPath;
    std::string PeersFolder = "/etc/ppp/peers";
    // pppd writes the pid of the daemon serving interface X to RunFolder/X.pid.
    std::string RunFolder = "/var/run";
    std::string ProcFolder = "/proc";
    // The open links; empty: the machine's up ppp interfaces (getifaddrs).
    std::function<std::vector<TPppLink>()> ListLinks;
    // Ends the pppd of a link; empty: SIGTERM to it.
    std::function<void(int pid)> EndPppd;

    // The pppd program to run, empty when pppd is not installed.
    std::string FindPppd() const;
    // Peer entry names in name order (regular files not starting with ".").
    std::vector<std::string> Entries() const;
    // The open links.
    std::vector<TPppLink> Links() const;
    void EndLink(int pid) const;
};

// The machine's up ppp interfaces with their addresses, and the pppd behind each from the pid
// file and that process's command line ("call ENTRY").
std::vector<TPppLink> ListMachinePppLinks(const std::string& runFolder, const std::string& procFolder);
// The entry of "pppd ... call ENTRY ..." for a running pid; empty when unknown.
std::string PppEntryOfPid(const std::string& procFolder, int pid);

// Text of a pppd exit status (the dialer's error codes).
std::string PppExitText(int status);

// One pppd started to dial: its standard output and error arrive on a pipe until it ends.
class TPppProcess {
public:
    TPppProcess() = default;
    ~TPppProcess();
    TPppProcess(const TPppProcess&) = delete;
    TPppProcess& operator=(const TPppProcess&) = delete;

    // Runs "pppd call ENTRY updetach [user USER] [file SECRET]": pppd stays in front until the link
    // is up (exit 0) or has failed. The password reaches pppd through an inherited pipe, never on
    // its command line. Returns 0 or an errno.
    int Start(const std::string& pppd, const std::string& entry, const std::string& user,
              const std::string& password);
    int Pid() const { return pid_; }
    // Reads output lines until pppd ends; returns its exit status (128 + signal when killed).
    int Wait(const std::function<void(const std::string& line)>& onLine);
    // Asks pppd to end (SIGTERM). Safe from another thread than the one waiting.
    void Terminate();

private:
    int pid_ = -1;
    int outFd_ = -1;
    std::mutex mutex_;
    bool reaped_ = false;
};

} // namespace hostaq
