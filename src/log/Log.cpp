#include "log/Log.h"

#include "config/Clock.h"
#include "config/ConfigPath.h"
#include "config/ErrorReporter.h"
#include "config/Messages.h"
#include "log/LogFileName.h"
#include "log/LogMessages.h"

#include <cstdio>
#include <deque>
#include <map>
#include <vector>

namespace hostaq {

namespace {
struct TPendingEntry {
    int Kind;
    std::string Text;
    bool ScreenOnly; // the report of a failed file write: it must not go to the file again
};

struct TLogger {
    std::recursive_mutex Mutex;
    TVemoListBoxLog List;
    std::map<int, TLogSink> Sinks;
    int NextSinkId = 1;
    std::string CurrentFileName;
    // The file whose failure was reported; cleared by the next entry that reaches its file.
    std::string ReportedFailure;
    std::deque<TPendingEntry> Pending;
    bool Delivering = false;
};

// Never destroyed, so entries logged while the process shuts down are still safe.
TLogger& Logger() {
    static TLogger* logger = new TLogger;
    return *logger;
}

void Deliver(TLogger& logger, const TPendingEntry& entry) {
    std::string fileError;
    bool written = true;
    if (entry.ScreenOnly)
        logger.List.AddEntryToScreen(entry.Kind, entry.Text);
    else
        written = logger.List.AddLog(entry.Kind, entry.Text, fileError);

    // A copy: a sink may add or remove sinks.
    std::vector<TLogSink> sinks;
    for (const auto& [id, sink] : logger.Sinks)
        sinks.push_back(sink);
    for (const TLogSink& sink : sinks) {
        try {
            sink(entry.Kind, entry.Text);
        } catch (...) {
            // A failing receiver must not stop the entry reaching the others.
        }
    }

    if (entry.ScreenOnly)
        return;
    if (written) {
        logger.ReportedFailure.clear();
        return;
    }
    const std::string& fileName = logger.List.LogFileName();
    if (logger.ReportedFailure == fileName)
        return;
    logger.ReportedFailure = fileName;
    const std::string report = FormatMsg(MsgLogFileUnwritable, {fileName, fileError});
    std::fprintf(stderr, "%s\n", report.c_str());
    logger.Pending.push_back({LogError, OneLineEntry(report), true});
}

// Delivers every queued entry in order; entries logged meanwhile join the queue.
void DeliverPending(TLogger& logger) {
    while (!logger.Pending.empty()) {
        const TPendingEntry entry = std::move(logger.Pending.front());
        logger.Pending.pop_front();
        try {
            Deliver(logger, entry);
        } catch (...) {
            // Logging never breaks the caller.
        }
    }
}

// Runs work as the one deliverer of this thread's entries; entries logged during work wait in
// the queue and are delivered after it. A nested call only runs work: the outer one delivers.
void AsDeliverer(TLogger& logger, const std::function<void()>& work) {
    if (logger.Delivering) {
        work();
        return;
    }
    logger.Delivering = true;
    struct TDone {
        TLogger& Logger;
        ~TDone() { Logger.Delivering = false; }
    } done{logger};
    try {
        work();
    } catch (...) {
        DeliverPending(logger);
        throw;
    }
    DeliverPending(logger);
}
} // namespace

void AddLog(int kind, const std::string& text) {
    try {
        TLogger& logger = Logger();
        std::lock_guard lock(logger.Mutex);
        logger.Pending.push_back({kind, OneLineEntry(text), false});
        AsDeliverer(logger, [] {});
    } catch (...) {
    }
}

void WithLogHeld(const std::function<void()>& work) {
    TLogger& logger = Logger();
    std::lock_guard lock(logger.Mutex);
    AsDeliverer(logger, work);
}

int AddLogSink(TLogSink sink) {
    TLogger& logger = Logger();
    std::lock_guard lock(logger.Mutex);
    const int id = logger.NextSinkId++;
    logger.Sinks.emplace(id, std::move(sink));
    return id;
}

void RemoveLogSink(int id) {
    TLogger& logger = Logger();
    std::lock_guard lock(logger.Mutex);
    logger.Sinks.erase(id);
}

TVemoListBoxLog& LogList() {
    return Logger().List;
}

TLogLock::TLogLock() : lock_(Logger().Mutex) {}

std::string FormatLogLine(const std::string& text) {
    TLogLock lock;
    return LogList().Stamp(Now()) + " - " + text;
}

std::string CurrentLogFileName() {
    TLogLock lock;
    return Logger().CurrentFileName;
}

void SetCurrentLogFileName(const std::string& name) {
    TLogLock lock;
    Logger().CurrentFileName = name;
}

void InstallLogWarningReporter() {
    SetWarningReporter([](const std::string& text) { AddLog(LogWarning, text); });
}

void InstallLogging() {
    static std::once_flag once;
    std::call_once(once, [] {
        AddConfigLocatedHook([](const std::string& path) { SetCurrentLogFileName(LogFileNameNow(path)); });
    });
    InstallLogWarningReporter();
}

void ResetLogger() {
    TLogger& logger = Logger();
    std::lock_guard lock(logger.Mutex);
    logger.List = TVemoListBoxLog();
    logger.Sinks.clear();
    logger.CurrentFileName.clear();
    logger.ReportedFailure.clear();
    logger.Pending.clear();
}

} // namespace hostaq
