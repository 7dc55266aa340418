#pragma once

#include "groups/UpdateAnswer.h"
#include "groups/UpdateResult.h"
#include "groups/UpdateUrl.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hostaq {

class TVemoDynAccUpdate;

// The controller of one group in one update run: starts the group's worker, stores what its
// events report in the group's section, the log and the update report, and ends with the
// group's class and Done set. Lives on the main thread; all its handlers run there.
//
// An update run creates one per group, calls StartUpdate for the groups to send and MarkDone for
// the others, and is finished when every controller is Done. OnDone tells it at once.
class THostaqUpdate {
public:
    explicit THostaqUpdate(std::string configPath);
    THostaqUpdate(); // on the process-wide configuration file
    // A worker still running reports to nobody once its controller is gone.
    ~THostaqUpdate();
    THostaqUpdate(const THostaqUpdate&) = delete;
    THostaqUpdate& operator=(const THostaqUpdate&) = delete;

    // Sends the group's request for address (the offline address in an offline run) on a new
    // worker. A request without URL is not sent: the group is marked blocked (class 4) with a log
    // line that says what it lacks, and the controller is done at once.
    void StartUpdate(const std::string& address, const std::string& groupName, const TUpdateRequest& request);
    // For a group the run does not send: its class is the decision's code.
    void MarkDone(UpdateResultClass code);

    TVemoDynAccUpdate* Worker = nullptr; // not owned; null once the worker has reported its end
    std::string GroupName;
    std::string IP;  // the address sent
    std::string IP6; // the IPv6 address sent, empty when none
    UpdateResultClass Result = ClassNoError;
    bool Done = false;

    // Called on the main thread whenever Done becomes true (inside StartUpdate for a group that
    // is not sent).
    std::function<void(THostaqUpdate& sender)> OnDone;

    // The worker's events. A result is logged and reported at once and stored with the end of
    // the request, so one answer is one pass of the file.
    void OnHostResult(const std::string& group, const std::string& provider, const THostResult& result);
    void OnUpdateError(const std::string& group, const std::string& provider, int code,
                       const std::string& text);
    void OnUpdateDone(const std::string& group, UpdateResultClass worst);

private:
    void Finish(UpdateResultClass result);

    struct TPendingResult {
        std::string Group;
        std::string Line;
        std::string Key; // the host's result key; empty when the host cannot name one
        std::string Keyword;
    };

    std::string path_;
    std::vector<TPendingResult> pending_;
    // Cleared when the controller goes away; the worker's events look at it on the main thread.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace hostaq
