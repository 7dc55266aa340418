#include "groups/UpdateResult.h"

#include "config/Messages.h"
#include "groups/GroupMessages.h"

#include <algorithm>
#include <cctype>

namespace hostaq {

namespace {

struct TReturnCode {
    const char* Keyword;
    UpdateResultClass Class;
    int Interpretation;
};

// Tested in this order; the first keyword found in the line wins.
constexpr TReturnCode ReturnCodes[] = {
    {"badauth", ClassBlocked, MsgBadAuth},   {"badsys", ClassBlocked, MsgBadSys},
    {"badagent", ClassBlocked, MsgBadAgent}, {"good", ClassNoError, MsgGood},
    {"nochg", ClassWarning, MsgNoChg},       {"notfqdn", ClassBlocked, MsgNotFqdn},
    {"nohost", ClassBlocked, MsgNoHost},     {"!donator", ClassBlocked, MsgNotDonator},
    {"!yours", ClassBlocked, MsgNotYours},   {"abuse", ClassBlocked, MsgAbuse},
    {"numhost", ClassBlocked, MsgNumHost},   {"dnserr", ClassRetry, MsgDnsErr},
    {"Wait", ClassRetry, MsgWait},           {"911", ClassRetry, MsgFatal},
    {"999", ClassRetry, MsgFatal},
};

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

} // namespace

std::string ResultClassText(int resultClass) {
    if (resultClass < 0 || resultClass > ClassLast)
        return {};
    return Msg(MsgClassNoError + resultClass);
}

TLineResult ClassifyReturnLine(std::string_view line) {
    const std::string lower = LowerAscii(line);
    for (const TReturnCode& code : ReturnCodes) {
        if (lower.find(LowerAscii(code.Keyword)) != std::string::npos)
            return {code.Class, Msg(code.Interpretation), code.Keyword};
    }
    return {ClassNoError, Msg(MsgUpdateSuccessful), {}};
}

std::string StripTags(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '<') {
            out += text[i++];
            continue;
        }
        const std::size_t close = text.find('>', i + 1);
        // A "<" that is never closed is dropped alone; the rest stays.
        i = close == std::string_view::npos ? i + 1 : close + 1;
    }
    return out;
}

} // namespace hostaq
