#include "ui/wizard/WizardFlow.h"

#include "config/ConfigKeys.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/ProviderConstants.h"
#include "config/Scramble.h"
#include "config/Text.h"
#include "config/Version.h"
#include "ui/settings/SettingsLogic.h"
#include "ui/settings/SettingsMessages.h"

namespace hostaq {

namespace {
constexpr int MsgNoProxyHost = 10090;
constexpr int MsgNoProxyPort = 10091;
constexpr int MsgConfirmProxyPassword = 10093;
constexpr int MsgNoDialAccount = 10094;
constexpr int MsgNoDialUser = 10095;
constexpr int MsgNoDialPassword = 10096;
constexpr int MsgConfirmDialPassword = 10097;
constexpr int MsgGroupNameNeeded = 10098;
constexpr int MsgNeedOneHost = 10103;
constexpr int MsgGroupNameTaken = 10122;
constexpr int MsgServiceInstalled = 10390;
constexpr int MsgServiceInstallError = 10391;

// One word of a command for a POSIX shell: quoted when it holds anything but plain characters.
std::string ShellWord(const std::string& word) {
    if (!word.empty() &&
        word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                               "/._-+:@%,=") == std::string::npos)
        return word;
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::optional<TWizardProblem> Problem(std::string message, TWizardField focus, bool clear = false) {
    return TWizardProblem{std::move(message), focus, clear};
}

std::optional<TWizardProblem> CheckProxy(const TWizardValues& v) {
    if (TrimBlanks(v.ProxyHost).empty())
        return Problem(FormatMsg(MsgNoProxyHost, {"\r"}), TWizardField::ProxyHost);
    if (TrimBlanks(v.ProxyPort).empty())
        return Problem(FormatMsg(MsgNoProxyPort, {"\r"}), TWizardField::ProxyPort);
    if (!ProxyPortValid(v.ProxyPort))
        return Problem(FormatMsg(MsgProxyBadPort, {"\r"}), TWizardField::ProxyPort);
    if (v.ProxyPassword != v.ProxyConfirm)
        return Problem(Msg(MsgConfirmProxyPassword), TWizardField::ProxyConfirm, true);
    return std::nullopt;
}

std::optional<TWizardProblem> CheckDialer(const TWizardValues& v) {
    if (!v.NeedDial)
        return std::nullopt;
    if (TrimBlanks(v.DialAccount).empty())
        return Problem(FormatMsg(MsgNoDialAccount, {"\r"}), TWizardField::DialAccount);
    if (v.DialUser.empty())
        return Problem(FormatMsg(MsgNoDialUser, {"\r"}), TWizardField::DialUser);
    if (v.DialPassword.empty())
        return Problem(FormatMsg(MsgNoDialPassword, {"\r"}), TWizardField::DialPassword);
    if (v.DialPassword != v.DialConfirm)
        return Problem(Msg(MsgConfirmDialPassword), TWizardField::DialConfirm, true);
    return std::nullopt;
}

std::optional<TWizardProblem> CheckGroupNameStep(const std::string& path, const TWizardValues& v) {
    const std::string name = TrimBlanks(v.GroupName);
    if (name.empty())
        return Problem(FormatMsg(MsgGroupNameNeeded, {AppTitle, "\r"}), TWizardField::GroupName);
    if (std::string problem = CheckGroupName(name); !problem.empty())
        return Problem(problem, TWizardField::GroupName);
    if (IniSectionExists(path, name) || SplitNameTaken(path, name))
        return Problem(FormatMsg(MsgGroupNameTaken, {name}), TWizardField::GroupName);
    return std::nullopt;
}

std::optional<TWizardProblem> CheckLogin(const TWizardValues& v) {
    const auto problem = ValidateLogin(v.UserName, v.Password, v.Confirm);
    if (!problem)
        return std::nullopt;
    TWizardField field = TWizardField::UserName;
    if (problem->Focus == TAccountField::Password)
        field = TWizardField::Password;
    else if (problem->Focus == TAccountField::Confirm)
        field = TWizardField::Confirm;
    return Problem(problem->Message, field, problem->ClearConfirm);
}

std::optional<TWizardProblem> CheckHostnames(const TWizardValues& v) {
    if (!AnyHostSaved(v.Hosts))
        return Problem(FormatMsg(MsgNeedOneHost, {AppTitle}), TWizardField::Hostnames);
    return std::nullopt;
}
} // namespace

int NextStep(int step, const TWizardValues& v) {
    switch (step) {
    case StepWelcome:
        return StepConnection;
    case StepConnection:
        return v.DialUp ? StepDialer : v.UseProxy ? StepProxy : StepPublicAddress;
    case StepProxy:
        return StepPublicAddress;
    case StepDialer:
    case StepPublicAddress:
    case StepPrivateAddresses:
        return StepGroupName;
    case StepStartOptions:
        return StepFinish;
    default:
        return step < StepFinish ? step + 1 : StepFinish;
    }
}

int BackStep(int step, const TWizardValues& v) {
    switch (step) {
    case StepConnection:
        return StepWelcome;
    case StepFinish:
        return StepStartOptions;
    case StepProxy:
    case StepDialer:
        return StepConnection;
    case StepPublicAddress:
        return v.DialUp ? StepDialer : v.UseProxy ? StepProxy : StepConnection;
    case StepPrivateAddresses:
    case StepGroupName:
        return v.DialUp ? StepDialer : StepPublicAddress;
    default:
        return step > StepWelcome ? step - 1 : StepWelcome;
    }
}

std::optional<TWizardProblem> CheckWizardStep(int step, const std::string& path, const TWizardValues& v) {
    switch (step) {
    case StepProxy:
        return CheckProxy(v);
    case StepDialer:
        return CheckDialer(v);
    case StepGroupName:
        return CheckGroupNameStep(path, v);
    case StepLogin:
        return CheckLogin(v);
    case StepHostnames:
    case StepFinish: // Finish writes nothing but groups it can name
        return CheckHostnames(v);
    default:
        return std::nullopt;
    }
}

TGroupSavePlan PlanWizardGroups(const TWizardValues& v) {
    TDynAcc common;
    InitGroup(common);
    common.UserID = v.UserName;
    common.Password = v.Password;
    return PlanGroupSave(TrimBlanks(v.GroupName), v.Hosts, common);
}

bool SaveWizard(const std::string& path, const TWizardValues& v) {
    const TGroupSavePlan plan = PlanWizardGroups(v);
    const bool ok = IniUpdate(path, [&](TIniDocument& doc) {
        auto text = [&](const TConfigKey& key, const std::string& value) {
            doc.WriteString(key.Section, key.Key, value);
        };
        auto flag = [&](const TConfigKey& key, bool value) { doc.WriteBool(key.Section, key.Key, value); };
        auto password = [&](const TConfigKey& key, const std::string& plain) {
            if (!plain.empty())
                text(key, ScramblePassword(plain));
        };
        // Connection: the address always comes from the default check-ip page.
        flag(Keys::DirectConnect, v.DialUp);
        flag(Keys::UseProxy, !v.DialUp && v.UseProxy);
        doc.WriteInteger(Keys::ServerPort.Section, Keys::ServerPort.Key, 0);
        flag(Keys::SetIPManual, false);
        text(Keys::ManualIP, "");
        text(Keys::ServerIP, DefaultCheckIpPage);
        doc.EraseSection("LocalIP");
        for (std::size_t i = 0; i < v.LocalList.size(); ++i)
            doc.WriteString("LocalIP", "IP" + std::to_string(i), v.LocalList[i]);
        // Proxy.
        text(Keys::ProxyHost, TrimBlanks(v.ProxyHost));
        text(Keys::ProxyPort, TrimBlanks(v.ProxyPort));
        text(Keys::ProxyUserName, v.ProxyUser);
        password(Keys::ProxyPassword, v.ProxyPassword);
        // Dialer.
        flag(Keys::NeedDial, v.NeedDial);
        text(Keys::DialAccount, v.DialAccount);
        text(Keys::DialUserName, v.DialUser);
        password(Keys::DialPassword, v.DialPassword);
        // Groups.
        WriteGroupPlan(doc, "", plan);
        flag(Keys::AutoCheck, v.AutoUpdate);
        if (v.StartOption == TStartOption::StartWithWindows)
            flag(Keys::AutoStart, true);
        else if (v.StartOption == TStartOption::InstallService)
            flag(Keys::AutoStart, false);
        return true;
    });
    if (ok)
        IniTidy(path);
    return ok;
}

TServiceInstallOutcome ServiceInstallOutcome(int status, const std::string& programPath,
                                             const std::string& configPath) {
    TServiceInstallOutcome outcome;
    if (status == 0) {
        outcome.Ok = true;
        outcome.Message = FormatMsg(MsgServiceInstalled, {"\r", AppTitle, "\r", "\r"});
        return outcome;
    }
    // pkexec is missing (the program could not be started), the user is not allowed (127) or
    // dismissed the request (126): the user can still run the command as root.
    if (status < 0 || status == 126 || status == 127) {
        outcome.Message = "Installing the service needs administrator rights, which could not be obtained "
                          "here.\rTo install the service, run this command as root:\r\r    " +
                          ShellWord(programPath) + " install " + ShellWord(configPath);
        return outcome;
    }
    outcome.Message = FormatMsg(MsgServiceInstallError, {std::to_string(status)});
    return outcome;
}

} // namespace hostaq
