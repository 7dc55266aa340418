#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hostaq {

// The outcome class of an update; higher is worse. Stored as a group's UpdateResult.
using UpdateResultClass = std::uint8_t;

inline constexpr UpdateResultClass ClassNoError = 0;
inline constexpr UpdateResultClass ClassGood = 1;
inline constexpr UpdateResultClass ClassWarning = 2;
inline constexpr UpdateResultClass ClassRetry = 3;   // tried again at the next check
inline constexpr UpdateResultClass ClassBlocked = 4; // not sent until the configuration is saved
inline constexpr UpdateResultClass ClassNoIP = 5;
inline constexpr UpdateResultClass ClassWinsock = 6;
inline constexpr UpdateResultClass ClassLast = ClassWinsock;

// "No error" ... "Winsock error"; empty for a value above 6.
std::string ResultClassText(int resultClass);

// One answer line of the standard protocol, interpreted.
struct TLineResult {
    UpdateResultClass Class = ClassNoError;
    std::string Interpretation;
    std::string Keyword; // as the return-code table spells it; empty when none matched
};

// The first keyword of the return-code table that occurs anywhere in the line, compared without
// regard to case; no keyword gives class 0 and "Update successful".
TLineResult ClassifyReturnLine(std::string_view line);

// The text without its tags: every "<...>" run is removed; a "<" without a later ">" is dropped
// and the text after it stays.
std::string StripTags(std::string_view text);

} // namespace hostaq
