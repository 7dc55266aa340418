#pragma once

#include <cstdlib>
#include <grp.h>
#include <initializer_list>
#include <pwd.h>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hostaq::test {

// A real local account made for one test (useradd) and removed with it (userdel). Only root can
// make one; Made() is false otherwise, and the test skips itself.
class TLocalUser {
public:
    explicit TLocalUser(const std::string& tag) {
        static int serial = 0;
        name_ = "hostaqt_" + std::to_string(::getpid()) + "_" + tag + std::to_string(++serial);
        if (::geteuid() != 0 || !Run({"useradd", "-M", "-N", "-s", "/usr/sbin/nologin", name_}))
            return;
        if (const passwd* pw = ::getpwnam(name_.c_str())) {
            uid_ = pw->pw_uid;
            gid_ = pw->pw_gid;
            made_ = true;
        }
    }
    ~TLocalUser() {
        if (made_)
            Run({"userdel", name_});
    }
    TLocalUser(const TLocalUser&) = delete;
    TLocalUser& operator=(const TLocalUser&) = delete;

    bool Made() const { return made_; }
    uid_t Uid() const { return uid_; }
    gid_t Gid() const { return gid_; }
    const std::string& Name() const { return name_; }
    // The command line prefix that runs a program as this user (setpriv).
    std::string SetprivPrefix() const {
        return "setpriv --reuid=" + std::to_string(uid_) + " --regid=" + std::to_string(gid_) +
               " --clear-groups ";
    }
    // Runs fn in a child process as this user; true when it returned true.
    template <typename Fn> bool RunAs(Fn fn) const {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const bool ok = ::setgroups(0, nullptr) == 0 && ::setresgid(gid_, gid_, gid_) == 0 &&
                            ::setresuid(uid_, uid_, uid_) == 0 && fn();
            ::_exit(ok ? 0 : 1);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    static bool Run(std::initializer_list<std::string> args) {
        std::string command;
        for (const std::string& a : args)
            command += a + " ";
        command += ">/dev/null 2>&1";
        return std::system(command.c_str()) == 0;
    }

    std::string name_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    bool made_ = false;
};

} // namespace hostaq::test
