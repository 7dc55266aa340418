#pragma once

#include "ui/settings/IPv6Settings.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hostaq {

class TIniDocument;
struct TCheckSettings;

// What the settings dialog decides, without a window: the values it loads and saves, the order
// of both, the checks before saving and the enabling rules. The pages fill and read these.

// Connection page.
struct TConnectionValues {
    bool DialUp = false; // "Dial-up"; otherwise "Local Area Network"
    int ServerPort = 0;  // index: 0 for 80, 1 for 8245
    bool UseProxy = false;
    std::string ProxyHost;
    std::string ProxyPort;
    std::string ProxyUser;
    std::string ProxyPassword;
    std::string ProxyConfirm;
};

// Dialer page.
struct TDialerValues {
    bool NeedDial = true;
    int DialDelay = 5;
    std::string Account;
    std::string UserName;
    std::string Password;
    std::string Confirm;
};

// IP Address page and the address working values of the dialog.
struct TAddressValues {
    bool DefaultSetting = true; // "Use default setting (recommended)"
    bool Manual = false;        // the manual-address flag
    std::string ManualIP;
    std::string Page;       // the check-ip page in use (Connection/ServerIP)
    std::string CustomPage; // the customised page (Connection/CustomizedIPServer)
    std::string DefaultLocalList;
    std::string LocalList; // the current local list, lines joined by CR LF
    TIPv6Values IPv6;      // the IPv6 source of the groups that keep AAAA records
};

struct TLoggingValues {
    bool ToScreen = true;
    std::string MaxLines = "500";
    bool ToFile = true;
    int ChangeInterval = 0; // Day, Week, Month
    int Kept = 6;           // index of "1" .. "10"
};

// One of the five pictures of the Icons page.
struct TIconChoice {
    std::string File;
    int Index = 0;
    bool operator==(const TIconChoice&) const = default;
};
inline constexpr int SettingsIconCount = 5;

struct TMiscValues {
    bool RunPrograms = false;
    bool DiscRunPrograms = false;
    bool SendMail = false;
    bool UpdateServU = false;
    bool CheckUpdate = true;
    bool EventCheck = true;
};

struct TSettingsValues {
    TConnectionValues Connection;
    TDialerValues Dialer;
    TAddressValues Address;
    TLoggingValues Logging;
    std::array<TIconChoice, SettingsIconCount> Icons;
    TMiscValues Misc;
    // Group check boxes changed in the list: name and the new Enable value.
    std::vector<std::pair<std::string, bool>> GroupEnable;
};

// Reads everything the dialog shows, in its loading order, from the configuration file.
TSettingsValues LoadSettingsValues();

// The pages, in tab order.
enum TSettingsPage : int {
    PageGroups = 0,
    PageConnection,
    PageDialer,
    PageIPAddress,
    PageLogging,
    PageIcons,
    PageMisc,
    SettingsPageCount
};

// A proxy port: a whole number from 0 to 65535 (blanks around it allowed).
bool ProxyPortValid(const std::string& port);

// The first problem the OK check finds: proxy fields (with "Local Area Network" and "Use proxy
// server"), then dialer fields (with "Dial-up" and "Dial when no connection is detected").
struct TSettingsProblem {
    enum TField {
        None,
        ProxyHost,
        ProxyPort,
        ProxyConfirm,
        DialAccount,
        DialUserName,
        DialPassword,
        DialConfirm,
        IPv6Source
    };
    TField Field = None;
    TSettingsPage Page = PageGroups;
    std::string Message;
    bool ClearConfirm = false;
    bool Ok() const { return Field == None; }
};
// lineBreak fills the %s of the messages that have one.
TSettingsProblem CheckSettingsValues(const TSettingsValues& values, const std::string& lineBreak);

// Applies the saving order to a document (the unit of SaveSettingsValues; tests call it on text).
void ApplySettingsValues(TIniDocument& doc, const TSettingsValues& values);
// Writes everything as one atomic update of the configuration file, then tidies the file. False
// when the file could not be written (reported already; the old file is intact).
bool SaveSettingsValues(const TSettingsValues& values);

// Enabling rules.
struct TSettingsEnabling {
    bool UseProxyBox = false; // "Use proxy server"
    bool ProxyFields = false;
    bool NeedDialBox = false; // "Dial when no connection is detected"
    bool DialerFields = false;
    bool Configure = false;
};
TSettingsEnabling SettingsEnabling(bool dialUp, bool useProxy, bool needDial, bool defaultIPSetting);

// The proxy values of the Connection page as a web check takes them (none when the box is off).
void ApplyConnectionProxy(TCheckSettings& check, const TConnectionValues& connection);

// ---- dialog state: page, position and column widths
struct TSettingsFormState {
    int ActivePage = 0;
    int Left = 0;
    int Top = 0;
    std::vector<int> ColumnWidths; // 0 for a column without a stored width
};
inline constexpr int GroupListColumns = 4;
TSettingsFormState LoadSettingsFormState();
bool SaveSettingsFormState(const TSettingsFormState& state);

// ---- group list
struct TGroupRow {
    std::string Name;
    bool Enabled = true;
    std::string Hosts;
    std::string LastUpdate;
    std::string Fourth; // last result (provider edition) or provider
};
// The rows of every group section of the file, in file order.
std::vector<TGroupRow> ReadGroupRows();
TGroupRow ReadGroupRow(const std::string& name);
// A section of that name, or one of its split names, exists.
bool GroupNameTaken(const std::string& name);
// The row selected after deleting row deleted: the same position, or else the one before it; -1
// when the list is empty.
int RowAfterDelete(int deleted, int remaining);

// The Add button: asks for a name (empty: end); a name that is taken asks
// askExisting(message) with Yes (edit that group), No (ask again) or Cancel (end); otherwise
// edits the new group. Returns the name the saved group has, if any.
enum class TAddAnswer { Yes, No, Cancel };
struct TGroupAddHooks {
    std::function<std::optional<std::string>()> AskName;
    std::function<TAddAnswer(const std::string& message)> AskExisting;
    // The editor: the name the group has after OK (it may have been renamed), nothing on Cancel.
    std::function<std::optional<std::string>(const std::string& name)> Edit;
};
std::optional<std::string> RunGroupAdd(const TGroupAddHooks& hooks);

// ---- the IP detection dialog and the address dialog
// The OK check of the IP detection dialog, in its order; empty when it passes.
struct TIPDetectProblem {
    enum TField { None, ManualIP, Page, List };
    TField Field = None;
    std::string Message;
    bool Ok() const { return Field == None; }
};
TIPDetectProblem CheckIPDetect(bool manual, const std::string& manualIP, const std::string& page,
                               bool listEmpty);
// The entry the address dialog gives: From, or From-To; a To of "0.0.0.0" or empty adds From alone.
std::string LocalListEntry(const std::string& from, const std::string& to);
// Appends entry unless it is empty or already in the list; true when it was appended.
bool AddLocalListEntry(std::vector<std::string>& list, const std::string& entry);
// A dotted address typed in a field, in canonical form ("010.1.1.1" gives "10.1.1.1"); nothing
// when the text is no address.
std::optional<std::string> NormaliseAddress(const std::string& text);

// ---- remembered drop-down histories (section Dialogs, keys name1 .. name10)
inline constexpr int HistoryLimit = 10;
std::vector<std::string> LoadHistory(const std::string& name);
// Puts value first (once), keeps at most HistoryLimit entries.
std::vector<std::string> PushHistory(std::vector<std::string> history, const std::string& value);
bool SaveHistory(const std::string& name, const std::vector<std::string>& history);

// ---- dial-up entries: the phone book when dial-up networking is installed
using TDialEntriesSource = std::function<std::optional<std::vector<std::string>>()>;
std::optional<std::vector<std::string>> DialUpEntries();
// Tests replace the source; an empty function restores the machine's.
void SetDialEntriesSource(TDialEntriesSource source);

} // namespace hostaq
