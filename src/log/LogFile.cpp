#include "log/LogFile.h"

#include "config/PrivateFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace hostaq {

namespace {

// Opens the file for appending; creates it when missing. created tells which happened.
int OpenForAppend(const std::string& path, bool& created) {
    // O_NONBLOCK: a fifo in place of the file must not stall the program. O_NOFOLLOW: a link
    // planted under the file's name must not send a service's entries to a file of another's
    // choosing.
    constexpr int flags = O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW;
    for (int attempt = 0; attempt < 2; ++attempt) {
        int fd = ::open(path.c_str(), flags);
        if (fd >= 0 || errno != ENOENT) {
            created = false;
            return fd;
        }
        // O_EXCL: only the one who creates the file writes its header.
        fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, 0600);
        if (fd >= 0 || errno != EEXIST) {
            created = fd >= 0;
            return fd;
        }
    }
    created = false;
    return -1;
}
} // namespace

std::string LogFileHeader(const std::string& appName, const std::string& stamp) {
    return appName + " log file. Created on " + stamp + ".";
}

bool AppendLogFile(const std::string& path, const std::string& header, const std::string& line,
                   std::string& error) {
    bool created = false;
    const int fd = OpenForAppend(path, created);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    std::string data;
    if (created)
        data = header + "\n\n";
    data += line;
    data += '\n';
    bool ok = WriteAll(fd, data.data(), data.size());
    int savedErrno = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok)
        error = std::strerror(savedErrno);
    return ok;
}

} // namespace hostaq
