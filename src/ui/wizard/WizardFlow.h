#pragma once

#include "ui/editor/AccountLogic.h"

#include <optional>
#include <string>
#include <vector>

// What the setup wizard decides, without a window: the order of its steps, the checks on Next
// and the save at Finish.
namespace hostaq {

// The steps of the wizard's main page, in their fixed order. Welcome comes before the first and
// the Finish page after the last.
enum TWizardStepIndex : int {
    StepWelcome = -1,
    StepConnection = 0,
    StepProxy = 1,
    StepDialer = 2,
    StepPublicAddress = 3,
    StepPrivateAddresses = 4,
    StepGroupName = 5,
    StepLogin = 6,
    StepHostnameEntry = 7,
    StepHostnames = 8,
    StepAutoUpdate = 9,
    StepStartOptions = 10,
    StepFinish = 11,
};
inline constexpr int WizardStepCount = 11;

enum class TStartOption { None, StartWithWindows, InstallService };

// Everything the wizard collects.
struct TWizardValues {
    bool DialUp = false;
    bool UseProxy = false;
    std::string ProxyHost;
    std::string ProxyPort = "80";
    std::string ProxyUser;
    std::string ProxyPassword;
    std::string ProxyConfirm;
    bool NeedDial = true;
    std::string DialAccount;
    std::string DialUser;
    std::string DialPassword;
    std::string DialConfirm;
    std::vector<std::string> LocalList;
    std::string GroupName;
    std::string UserName;
    std::string Password;
    std::string Confirm;
    bool AutoDownload = true;
    std::vector<THostRow> Hosts;
    bool AutoUpdate = true;
    TStartOption StartOption = TStartOption::None;
};

// The page Next leads to from a step whose checks have passed (Hostname entry: when no download
// is to run). The address pages are never reached on a dial-up connection.
int NextStep(int step, const TWizardValues& values);
// The page Back leads to.
int BackStep(int step, const TWizardValues& values);

enum class TWizardField {
    ProxyHost,
    ProxyPort,
    ProxyConfirm,
    DialAccount,
    DialUser,
    DialPassword,
    DialConfirm,
    GroupName,
    UserName,
    Password,
    Confirm,
    Hostnames,
};

struct TWizardProblem {
    std::string Message;
    TWizardField Focus = TWizardField::GroupName;
    bool ClearField = false; // the confirmation is cleared
};

// The check Next runs on a step, in the order of its messages; nothing when it passes.
std::optional<TWizardProblem> CheckWizardStep(int step, const std::string& path, const TWizardValues& values);

// Saves at Finish, as one atomic update of the file followed by the tidy: the connection, proxy,
// dialer, the groups of the hostnames, automatic update and the start option. The start option's
// effect outside the file (the autostart entry, the service) is ApplyStartOption. Returns false
// when the file could not be written (reported already; the file is then as it was).
bool SaveWizard(const std::string& path, const TWizardValues& values);
// The groups the hostnames are saved as (the editor's split by system).
TGroupSavePlan PlanWizardGroups(const TWizardValues& values);

// What installing the service through pkexec came to.
struct TServiceInstallOutcome {
    bool Ok = false;
    std::string Message;
};
// The outcome of "pkexec PROGRAM install CONFIG" that ended with status (below 0: pkexec missing
// or not started). When pkexec is missing, or the user was not allowed or dismissed the request,
// the message gives the command to run as root.
TServiceInstallOutcome ServiceInstallOutcome(int status, const std::string& programPath,
                                             const std::string& configPath);

} // namespace hostaq
