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
    if (!result.Ok)
        WorstClass = ClassWinsock;
    if (OnRequestDone)
        Synchronize([this] { OnRequestDone(*this, GroupName); });
    if (result.Ok) {
        TAnswerRules rules;
        rules.Standard = IsStandardServer(URL, UpdateHost);
        rules.Profile = ResultStrings;
        rules.StripHtml = StripHtml;
        const TAnswer answer = InterpretAnswer(result.Lines, HostList(), GroupName, rules);
        for (const THostResult& r : answer.Results) {
            CurrentHost = r.Host;
            CurrentLine = r.Line;
            Interpretation = r.Interpretation;
            CurrentClass = r.Class;
            ReturnKeyword = r.Keyword;
            if (OnHostResult)
                Synchronize([this, &r] { OnHostResult(*this, GroupName, Provider, r); });
            WorstClass = std::max(WorstClass, r.Class);
        }
    } else {
        ErrorCode = result.ErrorCode & 0xFFFF;
        ErrorText = result.ErrorText;
        if (OnUpdateError)
            Synchronize([this] { OnUpdateError(*this, GroupName, Provider, ErrorCode, ErrorText); });
    }
    if (OnUpdateDone)
        Synchronize([this] { OnUpdateDone(*this, GroupName, WorstClass); });
}

} // namespace hostaq
