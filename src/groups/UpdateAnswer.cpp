#include "groups/UpdateAnswer.h"

#include "config/Messages.h"
#include "config/Text.h"
#include "groups/GroupMessages.h"
#include "groups/UpdateUrl.h"

#include <algorithm>

namespace hostaq {

namespace {

bool Hits(const std::string& text, const std::string& line) {
    return !text.empty() && line.find(text) != std::string::npos;
}

THostResult ProfileResult(const std::vector<std::string>& lines, const TProfileResults& texts) {
    THostResult r;
    r.Class = ClassRetry;
    r.Interpretation = Msg(MsgProfileError);
    r.Line = lines.back();
    for (const std::string& line : lines) {
        if (Hits(texts.Success, line)) {
            r.Class = ClassNoError;
            r.Interpretation = Msg(MsgUpdateSuccessful);
        } else if (Hits(texts.Warning, line)) {
            r.Class = ClassWarning;
            r.Interpretation = Msg(MsgProfileWarning);
        } else if (Hits(texts.Error, line)) {
            r.Class = ClassRetry;
            r.Interpretation = Msg(MsgProfileError);
        } else {
            continue;
        }
        r.Line = line;
        break;
    }
    return r;
}

} // namespace

bool IsStandardServer(const std::string& url, const std::string& updateHost) {
    return UrlHost(url) == HostWithoutPort(updateHost);
}

TAnswer InterpretAnswer(const std::vector<std::string>& lines, const std::vector<std::string>& hosts,
                        const std::string& groupName, const TAnswerRules& rules) {
    TAnswer answer;
    if (lines.empty())
        return answer;
    if (rules.Standard) {
        const bool mapped = hosts.size() == lines.size();
        const std::size_t kept = std::min(lines.size(), std::max<std::size_t>(hosts.size(), 1));
        answer.DroppedLines = lines.size() - kept;
        for (std::size_t i = 0; i < kept; ++i) {
            const TLineResult c = ClassifyReturnLine(lines[i]);
            answer.Results.push_back(
                {mapped ? hosts[i] : groupName, lines[i], c.Interpretation, c.Keyword, c.Class});
        }
    } else {
        THostResult r = ProfileResult(lines, rules.Profile);
        r.Host = hosts.empty() ? groupName : hosts.front();
        answer.Results.push_back(std::move(r));
    }
    for (THostResult& r : answer.Results) {
        answer.WorstClass = std::max(answer.WorstClass, r.Class);
        if (rules.StripHtml)
            r.Line = StripTags(r.Line);
        // The line is stored as the group's ReturnStr: no more than a read returns, one line.
        r.Line = CleanText(r.Line, MaxStoredNetworkText);
    }
    return answer;
}

} // namespace hostaq
