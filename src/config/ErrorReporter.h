#pragma once

#include <functional>
#include <string>

namespace hostaq {

// The one process-wide place where failures the user must see are reported ("Unable to write to
// %s", "Cannot create data folder"). The presenter routes it to a message box (GUI) or to a log
// line and standard error (headless); until one is installed it writes to standard error.
using TErrorReporter = std::function<void(const std::string& text)>;

void ReportError(const std::string& text);
// Installs a reporter; an empty function restores the standard-error default. Returns the old one.
TErrorReporter SetErrorReporter(TErrorReporter reporter);

// Warnings about stored data that could not be used (a malformed stamp, integer or address in a
// hand-edited file). The logging layer installs itself here so they become LogWarning entries;
// until then they go to standard error. ReportWarningOnce drops a text it has reported before.
void ReportWarning(const std::string& text);
void ReportWarningOnce(const std::string& text);
TErrorReporter SetWarningReporter(TErrorReporter reporter);
// Forgets what ReportWarningOnce has reported (tests).
void ResetReportedWarnings();

} // namespace hostaq
