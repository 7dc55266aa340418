#include "groups/DynAccUpdate.h"

#include "config/ProviderConstants.h"
#include "net/MainThread.h"
#include "net/TextLines.h"

#include <algorithm>

namespace hostaq {

TVemoDynAccUpdate::TVemoDynAccUpdate() {
    URL = MakerWebPage;
    SetAgent("Vemo Account Update Component");
    SetProxy("", "80", "", "");
}

void TVemoDynAccUpdate::SetAgent(const std::string& agent) {
    agent_ = agent;
    HTTP.UserAgent = agent;
}

void TVemoDynAccUpdate::SetProxy(const std::string& host, const std::string& port, const std::string& user,
                                 const std::string& pass) {
    HTTP.ProxyHost = host;
    HTTP.ProxyPort = port;
    HTTP.ProxyUser = user;
    HTTP.ProxyPass = pass;
}

std::vector<std::string> TVemoDynAccUpdate::HostList() const {
    return SplitTextLines(HostText);
}

void TVemoDynAccUpdate::Execute() {
    ErrorCode = 0;
    ErrorText.clear();
    ReturnKeyword.clear();
    WorstClass = ClassNoError;
    HTTP.UserName = UserName;
    HTTP.Password = Password;
    THttpWorker::Execute();
}

void TVemoDynAccUpdate::Deliver(const THttpResult& result) {
    if (!result.Ok) {
        WorstClass = ClassWinsock;
        ErrorCode = result.ErrorCode & 0xFFFF;
        ErrorText = result.ErrorText;
    }
    TAnswer answer;
    if (result.Ok) {
        TAnswerRules rules;
        rules.Standard = IsStandardServer(URL, UpdateHost);
        rules.Profile = ResultStrings;
        rules.StripHtml = StripHtml;
        answer = InterpretAnswer(result.Lines, HostList(), GroupName, rules);
        DroppedLines = answer.DroppedLines;
    }
    // The whole answer is one event of the main thread: nothing else runs between its results
    // and its end, so its handlers may store it in one pass.
    Synchronize([this, &result, &answer] {
        if (OnRequestDone)
            OnRequestDone(*this, GroupName);
        if (result.Ok) {
            for (const THostResult& r : answer.Results) {
                CurrentHost = r.Host;
                CurrentLine = r.Line;
                Interpretation = r.Interpretation;
                CurrentClass = r.Class;
                ReturnKeyword = r.Keyword;
                if (OnHostResult)
                    OnHostResult(*this, GroupName, Provider, r);
                WorstClass = std::max(WorstClass, r.Class);
            }
        } else if (OnUpdateError) {
            OnUpdateError(*this, GroupName, Provider, ErrorCode, ErrorText);
        }
        if (OnUpdateDone)
            OnUpdateDone(*this, GroupName, WorstClass);
    });
}

} // namespace hostaq
