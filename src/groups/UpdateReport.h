#pragma once

#include <mutex>
#include <string>

namespace hostaq {

// The update report: one text per update run that the result events append to and the report
// mail sends, with the flag that says whether any host result went into it. This text and its
// flag are the one state that several threads may reach, so every access takes the lock.
class TUpdateReport {
public:
    // Starts a new report with its header; the flag is cleared.
    void Start(const std::string& header);
    // Appends text (a decision or error line) without touching the flag.
    void Append(const std::string& text);
    // Appends a host result block and sets the flag.
    void AppendResult(const std::string& block);
    std::string Text() const;
    bool ReportHasResults() const;

private:
    mutable std::mutex mutex_;
    std::string text_;
    bool hasResults_ = false;
};

// The process-wide report.
TUpdateReport& UpdateReport();

// The block of one host result: "Hostname: host", "Service provider: ...", "Return string: ...",
// "Intepreted: ..." when there is an interpretation, each followed by CR LF, then one more CR LF.
std::string HostResultBlock(const std::string& host, const std::string& provider, const std::string& line,
                            const std::string& interpretation);

} // namespace hostaq
