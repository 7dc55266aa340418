#pragma once

#include <string>
#include <sys/types.h>

namespace hostaq::test {

// Debian's tinyproxy, started on 127.0.0.1 and an ephemeral port with a configuration file of
// its own that allows loopback clients only. Check Running() (and Problem()) before use: the
// program may not be installed.
class TTinyProxy {
public:
    static constexpr const char* Program = "/usr/bin/tinyproxy";

    explicit TTinyProxy(const std::string& folder);
    ~TTinyProxy();
    TTinyProxy(const TTinyProxy&) = delete;
    TTinyProxy& operator=(const TTinyProxy&) = delete;

    bool Running() const { return pid_ > 0; }
    const std::string& Problem() const { return problem_; }
    int Port() const { return port_; }

private:
    pid_t pid_ = -1;
    int port_ = 0;
    std::string problem_;
};

} // namespace hostaq::test
