#include "log/ListBoxLog.h"

#include "config/Clock.h"
#include "config/Text.h"
#include "log/DateFormat.h"
#include "log/LogFile.h"
#include "log/LogKind.h"

#include <fstream>
#include <unistd.h>

namespace hostaq {

namespace {
// Characters of a file line in front of the entry text: the marker and " - ".
constexpr std::size_t MarkerLength = 5;
constexpr std::size_t EntryOffset = 8;
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
    std::ifstream in(logFileName_, std::ios::binary);
    if (!in)
        return ::access(logFileName_.c_str(), F_OK) == 0;

    // Only the last MaxLogLine lines count; keep no more than that while reading.
    const std::size_t keep = maxLogLine_ > 0 ? static_cast<std::size_t>(maxLogLine_) : 0;
    std::deque<std::string> tail;
    std::string line;
    while (std::getline(in, line)) {
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
