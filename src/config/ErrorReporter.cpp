#include "config/ErrorReporter.h"

#include <cstdio>
#include <mutex>
#include <set>

namespace hostaq {

namespace {
std::mutex ReporterMutex;
TErrorReporter& Reporter() {
    static TErrorReporter reporter;
    return reporter;
}
TErrorReporter& WarningReporter() {
    static TErrorReporter reporter;
    return reporter;
}
std::set<std::string>& Reported() {
    static std::set<std::string> reported;
    return reported;
}
} // namespace

void ReportError(const std::string& text) {
    TErrorReporter reporter;
    {
        std::lock_guard lock(ReporterMutex);
        reporter = Reporter();
    }
    if (reporter)
        reporter(text);
    else
        std::fprintf(stderr, "%s\n", text.c_str());
}

TErrorReporter SetErrorReporter(TErrorReporter reporter) {
    std::lock_guard lock(ReporterMutex);
    TErrorReporter old = std::move(Reporter());
    Reporter() = std::move(reporter);
    return old;
}

void ReportWarning(const std::string& text) {
    TErrorReporter reporter;
    {
        std::lock_guard lock(ReporterMutex);
        reporter = WarningReporter();
    }
    if (reporter)
        reporter(text);
    else
        std::fprintf(stderr, "%s\n", text.c_str());
}

void ReportWarningOnce(const std::string& text) {
    {
        std::lock_guard lock(ReporterMutex);
        if (!Reported().insert(text).second)
            return;
    }
    ReportWarning(text);
}

TErrorReporter SetWarningReporter(TErrorReporter reporter) {
    std::lock_guard lock(ReporterMutex);
    TErrorReporter old = std::move(WarningReporter());
    WarningReporter() = std::move(reporter);
    return old;
}

void ResetReportedWarnings() {
    std::lock_guard lock(ReporterMutex);
    Reported().clear();
}

} // namespace hostaq
