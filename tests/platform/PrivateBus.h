#pragma once

#include <string>
#include <sys/types.h>

namespace hostaq::test {

// A private dbus-daemon of its own for one test: a session-type bus on a socket in a temporary
// folder, stopped and removed at the end. Available() is false when dbus-daemon cannot be run.
class TPrivateBus {
public:
    TPrivateBus();
    ~TPrivateBus();
    TPrivateBus(const TPrivateBus&) = delete;
    TPrivateBus& operator=(const TPrivateBus&) = delete;

    bool Available() const { return !address_.empty(); }
    const std::string& Address() const { return address_; }
    const std::string& Problem() const { return problem_; }

private:
    std::string folder_;
    std::string address_;
    std::string problem_;
    pid_t pid_ = -1;
};

} // namespace hostaq::test
