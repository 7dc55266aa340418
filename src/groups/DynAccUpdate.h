#pragma once

#include "groups/Profile.h"
#include "groups/UpdateAnswer.h"
#include "groups/UpdateResult.h"
#include "net/HttpWorker.h"

#include <functional>
#include <string>
#include <vector>

namespace hostaq {

// The worker of one group's update request: one request carrying all the group's hostnames, its
// answer interpreted line by line. Create it with new, set its fields, Start() it; it frees
// itself after its last event. Every event runs on the main thread while the worker waits; the
// events of one answer (request done, each result or the error, done) run as one.
// The base class's OnDone is not used: the events below say everything.
class TVemoDynAccUpdate : public THttpWorker {
public:
    TVemoDynAccUpdate();

    // The user agent and the proxy, copied into the client at once.
    void SetAgent(const std::string& agent);
    void SetProxy(const std::string& host, const std::string& port, const std::string& user,
                  const std::string& pass);
    const std::string& Agent() const { return agent_; }

    // Inputs (URL and Method are the base class's).
    std::string UserName;
    std::string Password;
    std::string GroupName;
    std::string Provider;
    std::string HostText;   // trimmed hostnames, one a line
    std::string UpdateHost; // the standard update server; its answers follow the return-code table
    TProfileResults ResultStrings;
    bool StripHtml = false;
    bool Multilines = false; // read from the profile; nothing depends on it

    // HostText as lines.
    std::vector<std::string> HostList() const;

    // State while reporting, readable from the events.
    int ErrorCode = 0;
    std::string ErrorText;
    std::string CurrentHost;
    std::string CurrentLine;
    std::string Interpretation;
    UpdateResultClass CurrentClass = ClassNoError;
    std::string ReturnKeyword;
    UpdateResultClass WorstClass = ClassNoError;
    // Answer lines past the group's host count, dropped (see InterpretAnswer).
    std::size_t DroppedLines = 0;

    // The request completed at the transport level, or failed; before the answer is read.
    std::function<void(TVemoDynAccUpdate& sender, const std::string& group)> OnRequestDone;
    // The request failed at the transport level; code holds its low 16 bits.
    std::function<void(TVemoDynAccUpdate& sender, const std::string& group, const std::string& provider,
                       int code, const std::string& text)>
        OnUpdateError;
    // One answer line, interpreted.
    std::function<void(TVemoDynAccUpdate& sender, const std::string& group, const std::string& provider,
                       const THostResult& result)>
        OnHostResult;
    // The last event: the worst class of the request.
    std::function<void(TVemoDynAccUpdate& sender, const std::string& group, UpdateResultClass worst)>
        OnUpdateDone;

protected:
    void Execute() override;
    void Deliver(const THttpResult& result) override;

private:
    std::string agent_;
};

} // namespace hostaq
