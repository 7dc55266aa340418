#include "PrivateBus.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace hostaq::test {

TPrivateBus::TPrivateBus() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "hostaq-bus-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    folder_ = tmpl;
    const std::string config = folder_ + "/bus.conf";
    std::ofstream(config)
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n"
           "  <type>session</type>\n"
           "  <listen>unix:path="
        << folder_
        << "/bus</listen>\n"
           "  <auth>EXTERNAL</auth>\n"
           "  <policy context=\"default\">\n"
           "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
           "    <allow eavesdrop=\"true\"/>\n"
           "    <allow own=\"*\"/>\n"
           "  </policy>\n"
           "</busconfig>\n";
    int out[2];
    if (::pipe(out) != 0) {
        problem_ = "pipe failed";
        return;
    }
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    ::posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string configArg = "--config-file=" + config;
    char* argv[] = {const_cast<char*>("dbus-daemon"), configArg.data(), const_cast<char*>("--nofork"),
                    const_cast<char*>("--print-address=1"), nullptr};
    const int rc = ::posix_spawnp(&pid_, "dbus-daemon", &actions, nullptr, argv, environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (rc != 0) {
        pid_ = -1;
        ::close(out[0]);
        problem_ = "dbus-daemon cannot be run (install the dbus-daemon package)";
        return;
    }
    // The daemon prints its address once it listens.
    std::string line;
    for (;;) {
        pollfd fd{out[0], POLLIN, 0};
        if (::poll(&fd, 1, 10000) <= 0)
            break;
        char c;
        if (::read(out[0], &c, 1) != 1 || c == '\n')
            break;
        line += c;
    }
    ::close(out[0]);
    if (line.empty())
        problem_ = "dbus-daemon did not start";
    else
        address_ = line;
}

TPrivateBus::~TPrivateBus() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

} // namespace hostaq::test
