#pragma once

#include "log/Log.h"

#include <string>

namespace hostaq {

// Where the journal takes entries in its native protocol.
inline constexpr const char* DefaultJournalSocket = "/run/systemd/journal/socket";

// The fixed MESSAGE_ID of an event (32 hex digits), empty for TLogEvent::None, so
// `journalctl MESSAGE_ID=...` finds every occurrence.
std::string JournalMessageId(TLogEvent event);
// The syslog priority of a log kind: error 3, warning 4, information 6, the minor entries 7.
int JournalPriority(int logKind);

// One entry as a datagram of the journal's native protocol: KEY=VALUE lines, and for a value
// with a line break the binary form (KEY, newline, its length as 64-bit little endian, the
// value, newline). Fields without a value are left out.
std::string JournalDatagram(int logKind, const std::string& text, const TLogFields& fields);

// True when standard error is the journal's stream: JOURNAL_STREAM names the device and inode
// of descriptor 2.
bool StderrIsJournal();
// True when standard output is that same stream.
bool StdoutIsJournal();

// Sends every log entry to the journal as well, with its facts as fields. A journal that does
// not take an entry (not running, full) loses that entry only: logging never waits for it.
class TJournalSink {
public:
    explicit TJournalSink(std::string socketPath = DefaultJournalSocket);
    ~TJournalSink();
    TJournalSink(const TJournalSink&) = delete;
    TJournalSink& operator=(const TJournalSink&) = delete;

    // Sends one entry; false when the journal did not take it.
    bool Send(int logKind, const std::string& text, const TLogFields& fields);

private:
    std::string socketPath_;
    int fd_ = -1;
    int sinkId_ = 0;
};

// The process-wide journal sink: installed once, when standard error is the journal or the
// process is the service; later calls do nothing. Returns true when the sink is installed.
bool InstallJournalLogging(bool isService, const std::string& socketPath = DefaultJournalSocket);

} // namespace hostaq
