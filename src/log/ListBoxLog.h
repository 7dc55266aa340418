#pragma once

#include "config/DateTime.h"

#include <deque>
#include <functional>
#include <string>

namespace hostaq {

// One item of the log list: the entry line with one leading blank, and its colour code.
struct TLogItem {
    std::string Text;
    int ColourCode = 0;
    bool operator==(const TLogItem&) const = default;
};

// An entry's text as it is shown and stored: line breaks and other control characters but tab
// become blanks, so every entry stays one line of the file, cannot forge another and cannot
// drive a terminal.
std::string OneLineEntry(const std::string& text);

// What changed in the list, for a view that follows it.
enum class TLogListChange {
    Added,        // one item was appended at the end (and became the selected item)
    RemovedFirst, // the oldest item was dropped
    Cleared,      // the list is empty (and its horizontal extent is back to 0)
    Reloaded,     // the list was refilled from the file in one go
};

// The log list: the items the screen shows, the properties that decide where entries go, and
// the log file they are appended to. It knows nothing of drawing; a view follows it through
// the change callback. Not thread-safe by itself: the process-wide list is guarded by the
// logger's lock (see Log.h).
class TVemoListBoxLog {
public:
    using TOnChange = std::function<void(TLogListChange change)>;

    // Published properties.
    const std::string& LogFileName() const { return logFileName_; }
    void SetLogFileName(const std::string& value) { logFileName_ = value; }
    bool LogToScreen() const { return logToScreen_; }
    void SetLogToScreen(bool value) { logToScreen_ = value; }
    bool LogToFile() const { return logToFile_; }
    void SetLogToFile(bool value) { logToFile_ = value; }
    int MaxLogLine() const { return maxLogLine_; }
    void SetMaxLogLine(int value) { maxLogLine_ = value; }
    const std::string& MyAppName() const { return myAppName_; }
    void SetMyAppName(const std::string& value) { myAppName_ = value; }
    const std::string& DateFormat() const { return dateFormat_; }
    void SetDateFormat(const std::string& value) { dateFormat_ = value; }
    const std::string& TimeFormat() const { return timeFormat_; }
    void SetTimeFormat(const std::string& value) { timeFormat_ = value; }

    // Called after every change of the items (not during a reload, which reports once at its end).
    void SetOnChange(TOnChange onChange) { onChange_ = std::move(onChange); }

    int Count() const { return static_cast<int>(items_.size()); }
    const TLogItem& Item(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    const std::deque<TLogItem>& Items() const { return items_; }
    // The selected item: the last one added, -1 when the list is empty.
    int ItemIndex() const { return itemIndex_; }

    // The time stamp of an entry: the time with TimeFormat, " - ", the date with DateFormat.
    std::string Stamp(const TDateTime& t) const;

    // Adds one entry at the clock's current time: to the list when LogToScreen, appended to
    // LogFileName when LogToFile and a file is named. Line breaks in the text become blanks so
    // every entry stays one line. Returns false, with the reason in fileError, when the file
    // could not be written; the list has the entry all the same.
    bool AddLog(int kind, const std::string& text, std::string& fileError);
    // Adds an entry to the list only (when LogToScreen), stamped like AddLog.
    void AddEntryToScreen(int kind, const std::string& text);
    // Adds one item " " + line; drops the oldest while more than MaxLogLine are held.
    void AddToScreen(int colourCode, const std::string& line);
    void ClearLog();
    // Refills the list from the last MaxLogLine lines of LogFileName (lines without "[" are
    // skipped, markers give the colour codes back). Returns whether the file exists; anything
    // but a regular file (a fifo, a device, a link) is not read.
    bool LoadFromLogFile();

private:
    void Notify(TLogListChange change);

    std::string logFileName_;
    bool logToScreen_ = true;
    bool logToFile_ = true;
    int maxLogLine_ = 500;
    std::string myAppName_ = "Vemo Application";
    std::string dateFormat_ = "MM/dd/yyyy";
    std::string timeFormat_ = "HH:mm:ss";

    std::deque<TLogItem> items_;
    int itemIndex_ = -1;
    bool updating_ = false;
    TOnChange onChange_;
};

} // namespace hostaq
