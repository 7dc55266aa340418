#pragma once

#include <cstdlib>
#include <fcntl.h>
#include <sched.h>
#include <string>
#include <unistd.h>

namespace hostaq::test {

// A network namespace of the test's own for the lifetime of the object: the calling thread
// (and every thread and process it starts meanwhile) sees only its interfaces, with loopback
// up. Tests add interfaces and addresses with `ip`. Needs root (CAP_SYS_ADMIN); Ok() is false
// where it cannot be had, and the test skips itself.
class TPrivateNetwork {
public:
    TPrivateNetwork() {
        if (::geteuid() != 0)
            return;
        saved_ = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
        if (saved_ < 0 || ::unshare(CLONE_NEWNET) != 0)
            return;
        ok_ = Run("ip link set lo up");
    }
    ~TPrivateNetwork() {
        if (saved_ >= 0) {
            ::setns(saved_, CLONE_NEWNET);
            ::close(saved_);
        }
    }
    TPrivateNetwork(const TPrivateNetwork&) = delete;
    TPrivateNetwork& operator=(const TPrivateNetwork&) = delete;

    bool Ok() const { return ok_; }

    // Runs a shell command in the namespace; true when it succeeded.
    static bool Run(const std::string& command) {
        return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
    }

    // A veth pair named name and name + "p", both up.
    static bool AddVeth(const std::string& name) {
        return Run("ip link add " + name + " type veth peer name " + name + "p") &&
               Run("ip link set " + name + " up") && Run("ip link set " + name + "p up");
    }

private:
    int saved_ = -1;
    bool ok_ = false;
};

} // namespace hostaq::test
