#pragma once

#include "TempDir.h"
#include "net/DialUpPpp.h"

#include <string>
#include <vector>

namespace hostaq::test {

// A pppd stand-in in a temporary folder. The script records its arguments and the options file it
// was given, then behaves as the entry's behaviour file says: "ok LOCAL PEER" brings a link up
// (a file under links/ that the fake interface list reads) and exits 0, "fail STATUS" exits with
// that status, "hang" waits until it is ended.
class TFakePppd {
public:
    TFakePppd();

    // The system seam pointing at this folder.
    TPppSystem System();
    void Behave(const std::string& entry, const std::string& behaviour) const;
    // An open link the fake interface list reports.
    void AddLink(const std::string& interface, const std::string& entry, int pid, const std::string& local,
                 const std::string& peer) const;
    void RemoveLink(const std::string& interface) const;
    void AddPeer(const std::string& name) const;

    // Argument lines of every pppd run, and the options file of the last one.
    std::vector<std::string> Calls() const;
    std::string Secret() const;
    std::vector<int> Ended() const { return ended_; }

private:
    TTempDir dir_;
    std::vector<int> ended_;
};

} // namespace hostaq::test
