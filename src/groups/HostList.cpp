#include "groups/HostList.h"

#include "config/Messages.h"
#include "config/Version.h"
#include "groups/GroupMessages.h"
#include "groups/UpdateUrl.h"
#include "net/TextLines.h"

namespace hostaq {

namespace {

bool IsSeparator(char c) {
    return c == ',' || static_cast<unsigned char>(c) <= ' ';
}

// Names of one list: commas and blanks separate, double quotes group ("" inside quotes is one
// quote). Empty names are no hostnames and are left out, and so are names holding "|", which
// separates name and system in the parsed lines.
std::vector<std::string> SplitNames(std::string_view line) {
    std::vector<std::string> names;
    std::size_t i = 0;
    while (i < line.size()) {
        if (IsSeparator(line[i])) {
            ++i;
            continue;
        }
        std::string name;
        if (line[i] == '"') {
            ++i;
            while (i < line.size()) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        name += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                name += line[i++];
            }
        } else {
            while (i < line.size() && !IsSeparator(line[i]))
                name += line[i++];
        }
        if (!name.empty() && name.find('|') == std::string::npos)
            names.push_back(std::move(name));
    }
    return names;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

} // namespace

std::string HostListURL(const std::string& configPath) {
    return "https://" + EffectiveAccountHost(configPath) + "/text/gethostlist";
}

std::vector<std::string> ParseHostList(std::string_view text) {
    static constexpr const char* Systems[] = {"hostaq", "statdns", "custom"};
    std::vector<std::string> result;
    std::string system = "hostaq";
    for (const std::string& whole : SplitTextLines(std::string(text))) {
        std::string_view line = whole;
        for (const char* s : Systems) {
            const std::string prefix = std::string(s) + ":";
            if (StartsWith(line, prefix)) {
                system = s;
                line.remove_prefix(prefix.size());
                break;
            }
        }
        for (const std::string& name : SplitNames(line))
            result.push_back(name + "|" + system);
    }
    return result;
}

THostListOutcome InterpretHostList(const std::string& text) {
    THostListOutcome outcome;
    const std::string cannotDetect = FormatMsg(MsgCannotDetectHosts, {AppTitle, "\n"});
    if (text.find('.') == std::string::npos) {
        std::string_view word = text;
        if (word.size() >= 2 && word.substr(word.size() - 2) == "\r\n")
            word.remove_suffix(2);
        else if (!word.empty() && (word.back() == '\n' || word.back() == '\r'))
            word.remove_suffix(1);
        if (word == "badauth") {
            outcome.Kind = THostListOutcome::WrongLogin;
            outcome.Message = Msg(MsgWrongLogin);
        } else {
            outcome.Message = cannotDetect;
        }
        return outcome;
    }
    outcome.Kind = THostListOutcome::Hosts;
    for (const std::string& line : ParseHostList(text)) {
        const std::size_t bar = line.find('|');
        if (bar != std::string::npos)
            outcome.Entries.push_back({line.substr(0, bar), line.substr(bar + 1)});
    }
    return outcome;
}

} // namespace hostaq
