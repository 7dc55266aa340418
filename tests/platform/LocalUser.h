#pragma once

#include <cstdlib>
#include <pwd.h>
#include <string>
#include <sys/types.h>
#include <unistd.h>

namespace hostaq::test {

// A real local account made for one test (useradd, with its own group) and removed with it.
// Needs root; Ok() is false otherwise.
class TLocalUser {
public:
    explicit TLocalUser(const std::string& stem) {
        if (::geteuid() != 0)
            return;
        static int serial = 0;
        Name = "hq" + stem + std::to_string(::getpid() % 100000) + "x" + std::to_string(++serial);
        if (std::system(("useradd -M -U -s /usr/sbin/nologin " + Name + " >/dev/null 2>&1").c_str()) != 0)
            return;
        if (const struct passwd* pw = ::getpwnam(Name.c_str())) {
            Uid = pw->pw_uid;
            Gid = pw->pw_gid;
            ok_ = true;
        }
    }
    ~TLocalUser() {
        if (!Name.empty() && std::system(("userdel " + Name + " >/dev/null 2>&1").c_str()) != 0) {
        }
    }
    TLocalUser(const TLocalUser&) = delete;
    TLocalUser& operator=(const TLocalUser&) = delete;

    bool Ok() const { return ok_; }

    std::string Name;
    uid_t Uid = 0;
    gid_t Gid = 0;

private:
    bool ok_ = false;
};

} // namespace hostaq::test
