#pragma once

#include "groups/Profile.h"
#include "groups/UpdateResult.h"

#include <string>
#include <vector>

namespace hostaq {

// One answer line as it is reported to the group's result handler.
struct THostResult {
    std::string Host; // the group name when the lines do not map to the hosts
    // Tags stripped when the answer is HTML; control characters made blanks, at most
    // MaxStoredNetworkText bytes (classification sees the whole line).
    std::string Line;
    std::string Interpretation;
    std::string Keyword;
    UpdateResultClass Class = ClassNoError;
};

struct TAnswer {
    std::vector<THostResult> Results;
    UpdateResultClass WorstClass = ClassNoError;
    // Lines past the group's host count (at least one), not reported.
    std::size_t DroppedLines = 0;
};

// True when the request goes to the standard update server (the hosts compare exactly, ports
// aside), whose answers follow the standard return-code table.
bool IsStandardServer(const std::string& url, const std::string& updateHost);

// How an answer is interpreted.
struct TAnswerRules {
    bool Standard = true;    // the return-code table, one line per host
    TProfileResults Profile; // otherwise: the profile's texts, first hit decides
    bool StripHtml = false;  // strip tags from what is reported
};

// Interprets the lines of an answer. Standard: line i belongs to host i when the counts agree,
// else the lines are reported under the group name; an answer yields at most as many results as
// the group has hosts (at least one), so a long answer cannot multiply the work: further lines
// are dropped and counted. Profile: one result for the first host, from
// the first line that holds the success, warning or error text (in that order), or the last
// line with class 3 when none does. No lines: no results and class 0.
TAnswer InterpretAnswer(const std::vector<std::string>& lines, const std::vector<std::string>& hosts,
                        const std::string& groupName, const TAnswerRules& rules);

} // namespace hostaq
