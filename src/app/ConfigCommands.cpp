#include "app/ConfigCommands.h"

#include "app/HeadlessPresenter.h"
#include "app/MonitorCommands.h"
#include "app/PasswordPrompt.h"
#include "config/ConfigPath.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/ProviderConstants.h"
#include "config/Scramble.h"
#include "config/Text.h"
#include "config/Version.h"
#include "engine/Engine.h"
#include "engine/PollEventLoop.h"
#include "groups/DynAcc.h"
#include "ipdetect/IPv6Choice.h"
#include "log/Log.h"

#include <algorithm>
#include <cstdio>
#include <istream>
#include <ostream>
#include <string>

namespace hostaq {

namespace {
// The group editor's messages.
constexpr int MsgUserNameNeeded = 10099;
constexpr int MsgPasswordNeeded = 10100;
constexpr int MsgNeedOneHost = 10103;
constexpr int MsgGroupNameTaken = 10122;
constexpr int MsgTooManyHosts = 10435;
constexpr int MsgOnlyFirstHosts = 10436;
constexpr int MsgEnterProfileFile = 10251;
constexpr int MsgIPv6SuffixInvalid = 10712;

// The editor's messages break lines with CR; on a terminal that is a line feed.
std::string ForTerminal(std::string text) {
    std::replace(text.begin(), text.end(), '\r', '\n');
    return text;
}

// The label of a provider known by its profile file: the file's name without folder and extension.
std::string ProfileLabel(const std::string& profile) {
    std::string name = profile.substr(profile.rfind('/') + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}
} // namespace

int RunDumpConfig(const TCommandLine& cl) {
    if (!PrepareProgram(cl))
        return ExitFailure;
    const int sink = AddLogSink([](int kind, const std::string& text) {
        if (kind <= LogWarning)
            std::fprintf(stderr, "hostaq: %s\n", text.c_str());
    });
    TPollEventLoop loop;
    THeadlessPresenter presenter(loop, stderr);
    int status = ExitFailure;
    {
        TEngine engine(loop, presenter);
        engine.LoadForReport();
        if (engine.DumpConfig(cl.DumpFile))
            status = ExitSuccess;
    }
    RemoveLogSink(sink);
    return status;
}

int RunScramble(std::istream& in, std::ostream& out, std::ostream& err, int terminalFd) {
    std::string line;
    if (!ReadPasswordLine(in, terminalFd, err, "Text to scramble: ", line)) {
        err << "hostaq: --scramble reads the text to scramble from standard input\n";
        return ExitFailure;
    }
    out << ScramblePassword(line) << "\n";
    return ExitSuccess;
}

int RunGroupAdd(const TCommandLine& cl, std::istream& in, std::ostream& out, std::ostream& err,
                int terminalFd) {
    int type = -1;
    for (int t : {SystemHostaq, SystemStatdns, SystemCustom})
        if (cl.GroupSystem == SystemName(t))
            type = t;
    if (type < 0) {
        err << "hostaq: --system takes hostaq, statdns or custom\n";
        return ExitUsage;
    }
    if (!PrepareProgram(cl))
        return ExitFailure;
    // Refused before it saved anything, the command leaves no empty file it made behind.
    struct TLeaveNoEmptyFile {
        ~TLeaveNoEmptyFile() { RemoveConfigMadeForNothing(); }
    } leaveNoEmptyFile;
    const std::string& path = ConfigPath();
    auto refuse = [&](const std::string& message) {
        err << "hostaq: " << ForTerminal(message) << "\n";
        return ExitFailure;
    };

    std::string password;
    ReadPasswordLine(in, terminalFd, err, "Password for " + cl.GroupUser + ": ", password);
    // Taken as given: a name with blanks at its ends is refused, not silently changed.
    const std::string& name = cl.GroupName;
    if (const std::string why = CheckGroupName(name); !why.empty())
        return refuse(why);
    if (IniSectionExists(path, name) || SplitNameTaken(path, name))
        return refuse(FormatMsg(MsgGroupNameTaken, {name}));
    if (!cl.GroupIPv6Suffix.empty() && !cl.GroupIPv6) {
        err << "hostaq: --ipv6-suffix needs --ipv6\n";
        return ExitUsage;
    }
    if (!IsValidIPv6Suffix(cl.GroupIPv6Suffix))
        return refuse(FormatMsg(MsgIPv6SuffixInvalid, {cl.GroupIPv6Suffix}));
    if (cl.GroupUser.empty())
        return refuse(FormatMsg(MsgUserNameNeeded, {"\r"}));
    if (password.empty())
        return refuse(FormatMsg(MsgPasswordNeeded, {"\r"}));
    // The provider edition always uses the built-in provider; elsewhere a profile names another.
    std::string provider = BuiltInProvider;
    std::string profile;
    if (!cl.GroupProfile.empty()) {
        if (IsHostaqEdition()) {
            err << "hostaq: --profile needs Options/IsHostaq=0 in " << path << "\n";
            return ExitUsage;
        }
        profile = cl.GroupProfile;
        provider = ProfileLabel(profile);
        if (provider.empty())
            return refuse(Msg(MsgEnterProfileFile));
    }
    std::vector<std::string> hosts;
    for (const std::string& host : cl.GroupHosts)
        if (std::find(hosts.begin(), hosts.end(), host) == hosts.end())
            hosts.push_back(host);
    if (hosts.empty())
        return refuse(FormatMsg(MsgNeedOneHost, {AppTitle}));
    if (hosts.size() > static_cast<std::size_t>(MaxHostsPerGroup)) {
        err << "hostaq: "
            << ForTerminal(FormatMsg(MsgTooManyHosts, {AppTitle, std::to_string(MaxHostsPerGroup), "\r"}) +
                           "\r" + FormatMsg(MsgOnlyFirstHosts, {std::to_string(MaxHostsPerGroup)}))
            << "\n";
        hosts.resize(MaxHostsPerGroup);
    }

    TDynAcc group;
    InitGroup(group);
    group.Type = type;
    group.UserID = cl.GroupUser;
    group.Password = password;
    group.Provider = provider;
    group.Profile = profile;
    group.Secure = !cl.GroupInsecure;
    group.IPv6 = cl.GroupIPv6;
    group.IPv6Suffix = TrimBlanks(cl.GroupIPv6Suffix);
    group.NumOfHosts = static_cast<int>(hosts.size());
    std::copy(hosts.begin(), hosts.end(), group.Hosts.begin());
    if (!SaveGroup(path, name, group))
        return ExitFailure;
    IniTidy(path);
    out << "hostaq: group " << name << " saved in " << path << "\n";
    TellMonitorToReload(path, out, err);
    return ExitSuccess;
}

} // namespace hostaq
