#pragma once

#include "platform/CommandRunner.h"

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace hostaq {

// The service's identity: a systemd system unit.
inline constexpr const char* ServiceName = "Hostaq_Updater_Service";
inline constexpr const char* ServiceDisplayName = "Hostaq Updater Service";
inline constexpr const char* ServiceUnitName = "Hostaq_Updater_Service.service";
inline constexpr const char* DefaultUnitFolder = "/etc/systemd/system";

// What service control needs of the system; tests point each part at a stand-in.
struct TServiceEnvironment {
    std::string UnitFolder = DefaultUnitFolder;
    TCommandRunner Runner = RunCommand;
    // Whether this process may write system units and run systemctl enable (root).
    std::function<bool()> IsAdministrator;
    // The systemd unit this process belongs to ("" when none).
    std::function<std::string()> OwnUnit;
};

// The account the service runs under: the owner of its configuration file.
struct TServiceAccount {
    uid_t Uid = 0;
    gid_t Gid = 0;     // the owner's own group
    std::string User;  // as the unit names them: the name, or the number where the name
    std::string Group; // is not one systemd takes
};

// The account a service on configPath runs as, or why it cannot: the file (or, while it does not
// exist yet, its folder) gives the owner; every folder from the file up to "/", every link on
// the way, and the file must be writable by nobody but that owner and root
// (ServiceControlTrust.h), since the service trusts what they hold: the programs it starts, the
// files it writes. Returns the refusal message naming the first component at fault, empty when
// account is filled.
std::string ServiceAccountFor(const std::string& configPath, TServiceAccount& account);

// The whole tree a service trusts: the configuration as ServiceAccountFor walks it, and the
// program file with its folders. Why the service may not run (naming the first component at
// fault), or "" when it may. Install refuses on it, and the service checks it again when it
// starts.
std::string ServiceTreeProblem(const std::string& programPath, const std::string& configPath);

// The outcome of install or uninstall: the text to show and the system error code (0 on success).
struct TServiceResult {
    bool Ok = false;
    int ErrorCode = 0;
    std::string Message;
};

class TServiceControl {
public:
    explicit TServiceControl(TServiceEnvironment env = {});

    std::string UnitPath() const;
    // The unit text: starts after the network is online, runs the program headless as the
    // account on the configuration file named by its absolute path (its folder the working
    // directory), reloads it on SIGHUP and restarts it when it fails. Every value is written as
    // systemd reads it back; a path that cannot be written so gives an empty unit and the
    // refusal in error.
    static std::string BuildUnit(const std::string& programPath, const std::string& configPath,
                                 const TServiceAccount& account, std::string& error);

    // Writes and enables the unit. Refused without administrator rights, and for a tree
    // ServiceTreeProblem refuses.
    TServiceResult Install(const std::string& programPath, const std::string& configPath) const;
    // Disables and removes the unit. Refused without administrator rights.
    TServiceResult Uninstall() const;

    bool IsInstalled() const;
    // systemd reports the unit active.
    bool IsRunning() const;
    // The unit exists and this process is the one systemd started for it.
    bool IsThisProcessTheService() const;
    // True when the process is, or is about to install or remove, the service: an install or
    // uninstall switch is present, or IsThisProcessTheService.
    bool DetectService(const std::vector<std::string>& args) const;

private:
    TServiceEnvironment env_;
};

// "install" or "uninstall", bare or after "-", "/" or "\", any case.
bool IsServiceSwitch(const std::string& arg, const char* name);

// Quotes one argument of a systemd command line (ExecStart). A text systemd cannot read back
// (control characters, not UTF-8) gives "".
std::string QuoteUnitArgument(const std::string& arg);

} // namespace hostaq
