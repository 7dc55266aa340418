#include "platform/Journal.h"

#include "log/LogKind.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace hostaq {

namespace {
void AppendField(std::string& out, const char* key, const std::string& value) {
    if (value.empty())
        return;
    out += key;
    if (value.find('\n') == std::string::npos) {
        out += '=';
        out += value;
        out += '\n';
        return;
    }
    out += '\n';
    std::uint64_t size = value.size();
    for (int i = 0; i < 8; ++i) {
        out += static_cast<char>(size & 0xff);
        size >>= 8;
    }
    out += value;
    out += '\n';
}

// "DEV:INO" of JOURNAL_STREAM against the descriptor's own.
bool IsJournalStream(int fd) {
    const char* stream = std::getenv("JOURNAL_STREAM");
    if (stream == nullptr || *stream == '\0')
        return false;
    unsigned long long dev = 0;
    unsigned long long ino = 0;
    char extra = 0;
    if (std::sscanf(stream, "%llu:%llu%c", &dev, &ino, &extra) != 2)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    return static_cast<unsigned long long>(st.st_dev) == dev &&
           static_cast<unsigned long long>(st.st_ino) == ino;
}
} // namespace

std::string JournalMessageId(TLogEvent event) {
    switch (event) {
    case TLogEvent::AddressChanged:
        return "e45ea451643f40f697e2edb66325508f";
    case TLogEvent::UpdateGood:
        return "e0ce961a19144d6e85dc4da071347e42";
    case TLogEvent::UpdateFailed:
        return "e10efe406d144149b202a68c6a1382ea";
    case TLogEvent::GroupBlocked:
        return "1a39f9542a2c42e59f3bf595b14c3328";
    case TLogEvent::CheckFailed:
        return "ec489f04396540dcb3a45a3879a22c6a";
    case TLogEvent::MonitorStarted:
        return "93a7c6a58599479896fa2f6c9cf558c5";
    case TLogEvent::MonitorStopped:
        return "9ae0b3392ebf457cb9be2158785b9f11";
    case TLogEvent::None:
        break;
    }
    return {};
}

int JournalPriority(int logKind) {
    switch (logKind) {
    case LogError:
        return 3;
    case LogWarning:
        return 4;
    case LogMinor:
        return 7;
    default:
        return 6;
    }
}

std::string JournalDatagram(int logKind, const std::string& text, const TLogFields& fields) {
    std::string out;
    AppendField(out, "MESSAGE", text);
    AppendField(out, "PRIORITY", std::to_string(JournalPriority(logKind)));
    AppendField(out, "SYSLOG_IDENTIFIER", "hostaq");
    AppendField(out, "MESSAGE_ID", JournalMessageId(fields.Event));
    AppendField(out, "HOSTAQ_GROUP", fields.Group);
    AppendField(out, "HOSTAQ_HOST", fields.Host);
    AppendField(out, "HOSTAQ_IP", fields.IP);
    AppendField(out, "HOSTAQ_RESULT", fields.Result);
    return out;
}

bool StderrIsJournal() {
    return IsJournalStream(STDERR_FILENO);
}

bool StdoutIsJournal() {
    return IsJournalStream(STDOUT_FILENO);
}

TJournalSink::TJournalSink(std::string socketPath) : socketPath_(std::move(socketPath)) {
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sinkId_ = AddLogRecordSink(
        [this](int kind, const std::string& text, const TLogFields& fields) { Send(kind, text, fields); });
}

TJournalSink::~TJournalSink() {
    RemoveLogSink(sinkId_);
    if (fd_ >= 0)
        ::close(fd_);
}

bool TJournalSink::Send(int logKind, const std::string& text, const TLogFields& fields) {
    if (fd_ < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath_.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, socketPath_.c_str(), socketPath_.size() + 1);
    const std::string datagram = JournalDatagram(logKind, text, fields);
    // Never waits: a full journal loses this entry, not the monitor's time.
    const ssize_t sent = ::sendto(fd_, datagram.data(), datagram.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return sent == static_cast<ssize_t>(datagram.size());
}

bool InstallJournalLogging(bool isService, const std::string& socketPath) {
    static std::mutex mutex;
    static std::unique_ptr<TJournalSink> sink;
    std::lock_guard lock(mutex);
    if (sink)
        return true;
    if (!isService && !StderrIsJournal())
        return false;
    sink = std::make_unique<TJournalSink>(socketPath);
    return true;
}

} // namespace hostaq
