#include "log/ListBoxLog.h"

#include "config/Clock.h"
#include "config/Text.h"
#include "log/DateFormat.h"
#include "log/LogFile.h"
#include "log/LogKind.h"

#include <algorithm>
#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hostaq {

namespace {
// Characters of a file line in front of the entry text: the marker and " - ".
constexpr std::size_t MarkerLength = 5;
constexpr std::size_t EntryOffset = 8;
// The most of a log file read to refill the list: its end.
constexpr off_t MaxLoadBytes = 16 * 1024 * 1024;
} // namespace

std::string OneLineEntry(const std::string& text) {
    return CleanText(text);
}

std::string TVemoListBoxLog::Stamp(const TDateTime& t) const {
    return FormatDateTime(timeFormat_, t) + " - " + FormatDateTime(dateFormat_, t);
}

bool TVemoListBoxLog::AddLog(int kind, const std::string& text, std::string& fileError) {
    const std::string stamp = Stamp(Now());
    const std::string line = stamp + " - " + OneLineEntry(text);
    if (logToScreen_)
        AddToScreen(LogColourCode(kind), line);
    if (!logToFile_ || logFileName_.empty())
        return true;
    return AppendLogFile(logFileName_, LogFileHeader(myAppName_, stamp),
                         std::string(LogFileMarker(kind)) + " - " + line, fileError);
}

void TVemoListBoxLog::AddEntryToScreen(int kind, const std::string& text) {
    if (logToScreen_)
        AddToScreen(LogColourCode(kind), Stamp(Now()) + " - " + OneLineEntry(text));
}

void TVemoListBoxLog::AddToScreen(int colourCode, const std::string& line) {
    items_.push_back({" " + line, colourCode});
    itemIndex_ = Count() - 1;
    Notify(TLogListChange::Added);
    // Normally one item goes per entry; after MaxLogLine was lowered the list catches up at once.
    while (Count() > maxLogLine_ && !items_.empty()) {
        items_.pop_front();
        itemIndex_ = Count() - 1;
        Notify(TLogListChange::RemovedFirst);
    }
}

void TVemoListBoxLog::ClearLog() {
    items_.clear();
    itemIndex_ = -1;
    Notify(TLogListChange::Cleared);
}

bool TVemoListBoxLog::LoadFromLogFile() {
    if (logFileName_.empty())
        return false;
    // Not blocking and not through a link: a fifo or a device in place of the log must not
    // stall or exhaust the program at start; only a regular file is read.
    const int fd = ::open(logFileName_.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return ::access(logFileName_.c_str(), F_OK) == 0;
    struct stat st {};
    std::string text;
    bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (regular) {
        // The last lines are all that count: at most the tail of a very large file is read.
        const off_t start = st.st_size > MaxLoadBytes ? st.st_size - MaxLoadBytes : 0;
        text.resize(static_cast<std::size_t>(st.st_size - start));
        std::size_t got = 0;
        while (got < text.size()) {
            const ssize_t n =
                ::pread(fd, text.data() + got, text.size() - got, start + static_cast<off_t>(got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        text.resize(got);
        if (start > 0) // the first line read is only the end of one
            text.erase(0, std::min(text.size(), text.find('\n') + 1));
    }
    ::close(fd);
    if (!regular)
        return false;

    // Only the last MaxLogLine lines count; keep no more than that while splitting.
    const std::size_t keep = maxLogLine_ > 0 ? static_cast<std::size_t>(maxLogLine_) : 0;
    std::deque<std::string> tail;
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t end = text.find('\n', from);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(from, end - from);
        from = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        tail.push_back(std::move(line));
        if (tail.size() > keep)
            tail.pop_front();
    }

    if (logToScreen_) {
        updating_ = true;
        for (const std::string& fileLine : tail) {
            if (fileLine.find('[') == std::string::npos)
                continue; // the header and empty lines
            const int code = ColourCodeFromMarker(std::string_view(fileLine).substr(0, MarkerLength));
            AddToScreen(code, fileLine.size() > EntryOffset ? fileLine.substr(EntryOffset) : std::string());
        }
        updating_ = false;
        Notify(TLogListChange::Reloaded);
    }
    return true;
}

void TVemoListBoxLog::Notify(TLogListChange change) {
    if (!updating_ && onChange_)
        onChange_(change);
}

} // namespace hostaq
