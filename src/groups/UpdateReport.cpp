#include "groups/UpdateReport.h"

#include "config/Messages.h"
#include "groups/GroupMessages.h"

namespace hostaq {

void TUpdateReport::Start(const std::string& header) {
    std::lock_guard lock(mutex_);
    text_ = header;
    hasResults_ = false;
}

void TUpdateReport::Append(const std::string& text) {
    std::lock_guard lock(mutex_);
    text_ += text;
}

void TUpdateReport::AppendResult(const std::string& block) {
    std::lock_guard lock(mutex_);
    text_ += block;
    hasResults_ = true;
}

std::string TUpdateReport::Text() const {
    std::lock_guard lock(mutex_);
    return text_;
}

bool TUpdateReport::ReportHasResults() const {
    std::lock_guard lock(mutex_);
    return hasResults_;
}

TUpdateReport& UpdateReport() {
    static TUpdateReport report;
    return report;
}

std::string HostResultBlock(const std::string& host, const std::string& provider, const std::string& line,
                            const std::string& interpretation) {
    std::string block = FormatMsg(MsgReportPair, {Msg(MsgReportHostname), host}) + "\r\n";
    block += FormatMsg(MsgReportProvider, {provider}) + "\r\n";
    block += FormatMsg(MsgReportReturn, {line}) + "\r\n";
    if (!interpretation.empty())
        block += FormatMsg(MsgReportInterpreted, {interpretation}) + "\r\n";
    return block + "\r\n";
}

} // namespace hostaq
