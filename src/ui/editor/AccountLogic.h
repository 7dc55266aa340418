#pragma once

#include "groups/DynAcc.h"

#include <optional>
#include <string>
#include <vector>

// What the group editor and the wizard decide, without a window: the rules for group names, the
// validation order of the editor, the split of a host list by system and the one atomic save.
namespace hostaq {

// One entry of a host list: the hostname, its system column ("hostaq", "statdns", "custom" or a
// text from elsewhere), the stored result of the last update and the check box.
struct THostRow {
    std::string Host;
    std::string System = "hostaq";
    std::string Result;
    bool Checked = true;
};

int CheckedCount(const std::vector<THostRow>& rows);
// A checked row of a known system: only such rows are saved, so a list without one would write
// no group at all.
bool AnyHostSaved(const std::vector<THostRow>& rows);
// The index of the system in the host prompt's drop-down: 0 to 2; any other text counts as hostaq.
int SystemIndex(const std::string& system);

// The values of the editor's controls.
struct TAccountValues {
    std::string Name;
    std::string UserName;
    std::string Password;
    std::string Confirm;
    std::string Provider;
    std::string Profile;
    std::string MailEx;
    bool Wildcard = true;
    bool BackupMX = false;
    bool Secure = true;
    bool IPv6 = false; // also keeps the AAAA records
    std::string IPv6Suffix;
    std::vector<THostRow> Hosts;
};

// Loads a group as the editor shows it: the hosts checked, with their stored results. In the
// provider edition the provider is the built-in one and the profile empty.
TAccountValues LoadAccountValues(const std::string& path, const std::string& name, bool providerEdition);

enum class TAccountPage { Provider, Options };
enum class TAccountField { Name, UserName, Password, Confirm, Profile, AddButton, MailEx, IPv6Suffix };

// One failed check: its place in the order, the message, where the user is sent, and what the
// check changes in the form.
struct TAccountProblem {
    int Step = 0;
    std::string Message;
    TAccountPage Page = TAccountPage::Provider;
    TAccountField Focus = TAccountField::Name;
    bool ClearConfirm = false;
    bool UncheckBackupMX = false;
};

// The editor's OK checks in their order; the first failure wins. The file is asked whether a new
// name is taken.
std::optional<TAccountProblem> ValidateAccount(const std::string& path, const std::string& openingName,
                                               const TAccountValues& values, bool providerEdition);
// The login checks that also guard the hostname download (password, confirmation, equality).
std::optional<TAccountProblem> ValidateLogin(const std::string& userName, const std::string& password,
                                             const std::string& confirm);

// The download button: a complete login and, outside the provider edition, the built-in provider.
bool DownloadAllowed(const std::string& userName, const std::string& password, const std::string& confirm,
                     const std::string& provider, bool providerEdition);
// The profile path, its browse and edit buttons: only for a provider other than the built-in one.
bool ProfileControlsEnabled(const std::string& provider);
// The IPv6 suffix field: only while the group keeps AAAA records.
bool IPv6SuffixEnabled(const TAccountValues& values);
// Why an IPv6 suffix cannot be saved; empty when it can (an empty one, or an interface
// identifier such as "::1234").
std::string CheckIPv6Suffix(const std::string& suffix);

// The groups one host list is saved as: the checked hosts split by system, at most 20 each, under
// the name, "name (statdns)" and "name (custom)" as the combination requires.
struct TGroupSavePlan {
    bool TooManyHosts = false; // more than 20 hosts were checked
    bool MixedSystems = false; // more than one group is written
    std::vector<std::pair<std::string, TDynAcc>> Groups;
};
// common holds the login and the options every written group receives.
TGroupSavePlan PlanGroupSave(const std::string& name, const std::vector<THostRow>& rows,
                             const TDynAcc& common);
// The warning before saving more than 20 hosts, and the note about a list of mixed systems.
std::string TooManyHostsMessage();
std::string TooManyHostsSaveMessage();
std::string MixedSystemsMessage();

// The editor's plan: the common values from the controls.
TGroupSavePlan PlanAccountSave(const TAccountValues& values, bool providerEdition);

class TIniDocument;
// Into a document: erases the opening name's section (when not empty) and writes every group.
void WriteGroupPlan(TIniDocument& doc, const std::string& openingName, const TGroupSavePlan& plan);

// The provider drop-down's history: section SvcProvider, at most 10 entries, newest first.
inline constexpr int ProviderHistoryLimit = 10;
std::vector<std::string> LoadProviderHistory(const std::string& path);
// Puts the provider at the front of the history (once, case-blind) in the document.
void WriteProviderHistory(TIniDocument& doc, const std::string& provider);

// The editor's save, as one atomic update of the file followed by the tidy: the old section gone,
// the groups written, the provider remembered. Returns false when the file could not be written
// (reported already; the file is then as it was).
bool SaveAccount(const std::string& path, const std::string& openingName, const TGroupSavePlan& plan,
                 const std::string& provider, bool providerEdition);

// The arguments of the editor (Options/Editor) for a profile file: the editor's own parameters,
// then the file by its absolute path, so a name that begins with "-" or "+" can never be read as
// an option of the editor.
std::vector<std::string> ProfileEditorArguments(const std::string& editorParameters,
                                                const std::string& profile);

} // namespace hostaq
