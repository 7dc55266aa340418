#include "ui/settings/SettingsLogic.h"

#include "config/ConfigKeys.h"
#include "config/ConfigPath.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/Scramble.h"
#include "config/Stamp.h"
#include "config/Text.h"
#include "groups/DynAcc.h"
#include "ipdetect/AddressList.h"
#include "ipdetect/CheckSettings.h"
#include "ipdetect/LocalList.h"
#include "log/DateFormat.h"
#include "net/DialUpPpp.h"
#include "net/SystemProxy.h"
#include "ui/settings/SettingsMessages.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <strings.h>

namespace hostaq {

namespace {

constexpr const char* SettingFormSection = "SettingForm";
constexpr const char* FormWindowSection = "FormWindow";
constexpr const char* ColumnKeyPrefix = "OptAccListCol";
constexpr const char* LocalIPSection = "LocalIP";
constexpr const char* HistorySection = "Dialogs";

// The five pictures of the Icons page, in page order.
constexpr std::array<std::pair<const TConfigKey*, const TConfigKey*>, SettingsIconCount> IconKeys{{
    {&Keys::NormalFile, &Keys::NormalIdx},
    {&Keys::WarningFile, &Keys::WarningIdx},
    {&Keys::ErrorFile, &Keys::ErrorIdx},
    {&Keys::DisableFile, &Keys::DisableIdx},
    {&Keys::DialerFile, &Keys::DialerIdx},
}};

int Clamp(int value, int low, int high) {
    return std::clamp(value, low, high);
}

void Write(TIniDocument& doc, const TConfigKey& key, const std::string& value) {
    doc.WriteString(key.Section, key.Key, value);
}
void Write(TIniDocument& doc, const TConfigKey& key, int value) {
    doc.WriteInteger(key.Section, key.Key, value);
}
void WriteFlag(TIniDocument& doc, const TConfigKey& key, bool value) {
    doc.WriteBool(key.Section, key.Key, value);
}
// An empty password leaves the stored one alone.
void WritePassword(TIniDocument& doc, const TConfigKey& key, const std::string& plain) {
    if (!plain.empty())
        doc.WriteString(key.Section, key.Key, ScramblePassword(plain));
}

void WriteLocalList(TIniDocument& doc, const std::string& list) {
    doc.EraseSection(LocalIPSection);
    int n = 0;
    for (const std::string& line : SplitLines(list)) {
        const std::string entry = TrimBlanks(line);
        if (!entry.empty())
            doc.WriteString(LocalIPSection, "IP" + std::to_string(n++), entry);
    }
}

TDialEntriesSource& DialSource() {
    static TDialEntriesSource source;
    return source;
}

} // namespace

// ---- loading ----------------------------------------------------------------------------------

TSettingsValues LoadSettingsValues() {
    TSettingsValues v;

    TConnectionValues& c = v.Connection;
    const TSystemProxy system = GetIEProxy("http");
    c.DialUp = ReadDirectConnect();
    c.UseProxy = ReadBool(Keys::UseProxy, !system.Host.empty());
    c.ProxyHost = ReadString(Keys::ProxyHost, system.Host);
    c.ProxyPort = ReadString(Keys::ProxyPort, system.Port);
    c.ProxyUser = ReadString(Keys::ProxyUserName);
    c.ProxyPassword = ReadPassword(Keys::ProxyPassword);
    c.ProxyConfirm = c.ProxyPassword;
    c.ServerPort = Clamp(ReadInteger(Keys::ServerPort), 0, 1);

    TDialerValues& d = v.Dialer;
    d.NeedDial = ReadBool(Keys::NeedDial);
    d.DialDelay = ReadInteger(Keys::DialDelay);
    d.Account = ReadString(Keys::DialAccount);
    d.UserName = ReadString(Keys::DialUserName);
    d.Password = ReadPassword(Keys::DialPassword);
    d.Confirm = d.Password;

    v.Address.DefaultSetting = ReadBool(Keys::DefIPSetting);

    TLoggingValues& l = v.Logging;
    l.ToScreen = ReadBool(Keys::LogToScreen);
    // Kept as text by this dialog; a value the field cannot show becomes the default.
    l.MaxLines = TrimBlanks(IniReadString(ConfigPath(), Keys::MaxLogLines.Section, Keys::MaxLogLines.Key,
                                          Keys::MaxLogLines.Default));
    int lines = 0;
    if (!ParseIniInteger(l.MaxLines, lines) || lines < 1 || lines > 1500)
        l.MaxLines = Keys::MaxLogLines.Default;
    l.ToFile = ReadBool(Keys::LogToFile);
    l.ChangeInterval = Clamp(ReadInteger(Keys::ChangeLogInt), 0, 2);
    l.Kept = Clamp(ReadInteger(Keys::LogKept), 0, 9);

    for (int i = 0; i < SettingsIconCount; ++i) {
        v.Icons[i].File = ReadString(*IconKeys[i].first);
        v.Icons[i].Index = ReadInteger(*IconKeys[i].second);
    }

    TMiscValues& m = v.Misc;
    m.RunPrograms = ReadBool(Keys::RunPrograms);
    m.DiscRunPrograms = ReadBool(Keys::DiscRunPrograms);
    m.SendMail = ReadBool(Keys::SendMail);
    m.UpdateServU = ReadBool(Keys::UpdateServU);
    m.CheckUpdate = ReadBool(Keys::SoftAutoUpdate);
    m.EventCheck = ReadBool(Keys::EventCheck);

    TAddressValues& a = v.Address;
    a.Manual = ReadBool(Keys::SetIPManual);
    a.ManualIP = ReadString(Keys::ManualIP);
    a.Page = ReadString(Keys::ServerIP);
    a.CustomPage = ReadString(Keys::CustomizedIPServer);
    a.DefaultLocalList = BuildLocalList();
    a.LocalList = LoadLocalList();
    a.IPv6 = LoadIPv6Values();
    return v;
}

// ---- the OK check -----------------------------------------------------------------------------

bool ProxyPortValid(const std::string& port) {
    const std::string p = TrimBlanks(port);
    return !p.empty() && p.size() <= 5 && p.find_first_not_of("0123456789") == std::string::npos &&
           std::stoi(p) <= 65535;
}

TSettingsProblem CheckSettingsValues(const TSettingsValues& values, const std::string& lineBreak) {
    auto problem = [&](TSettingsProblem::TField field, TSettingsPage page, int message, bool clear = false) {
        return TSettingsProblem{field, page, FormatMsg(message, {lineBreak}), clear};
    };
    const TConnectionValues& c = values.Connection;
    if (!c.DialUp && c.UseProxy) {
        if (TrimBlanks(c.ProxyHost).empty())
            return problem(TSettingsProblem::ProxyHost, PageConnection, MsgProxyNoHost);
        if (TrimBlanks(c.ProxyPort).empty())
            return problem(TSettingsProblem::ProxyPort, PageConnection, MsgProxyNoPort);
        if (!ProxyPortValid(c.ProxyPort))
            return problem(TSettingsProblem::ProxyPort, PageConnection, MsgProxyBadPort);
        if (c.ProxyPassword != c.ProxyConfirm)
            return problem(TSettingsProblem::ProxyConfirm, PageConnection, MsgProxyConfirm, true);
    }
    const TDialerValues& d = values.Dialer;
    if (c.DialUp && d.NeedDial) {
        if (d.Account.empty())
            return problem(TSettingsProblem::DialAccount, PageDialer, MsgDialNoAccount);
        if (d.UserName.empty())
            return problem(TSettingsProblem::DialUserName, PageDialer, MsgDialNoUser);
        if (d.Password.empty())
            return problem(TSettingsProblem::DialPassword, PageDialer, MsgDialNoPassword);
        if (d.Password != d.Confirm)
            return problem(TSettingsProblem::DialConfirm, PageDialer, MsgDialConfirm, true);
    }
    if (std::string why = CheckIPv6Values(values.Address.IPv6); !why.empty())
        return TSettingsProblem{TSettingsProblem::IPv6Source, PageIPAddress, why, false};
    return {};
}

// ---- saving -----------------------------------------------------------------------------------

void ApplySettingsValues(TIniDocument& doc, const TSettingsValues& values) {
    // Check boxes of the group list (the only group change OK makes).
    for (const auto& [name, enabled] : values.GroupEnable)
        if (doc.SectionExists(name))
            doc.WriteBool(name, "Enable", enabled);

    const TConnectionValues& c = values.Connection;
    const TAddressValues& a = values.Address;
    if (!c.DialUp) {
        WriteFlag(doc, Keys::DirectConnect, false);
        WriteFlag(doc, Keys::UseProxy, c.UseProxy);
        Write(doc, Keys::ServerPort, c.ServerPort);
        if (a.DefaultSetting) {
            Write(doc, Keys::ServerIP, std::string(DefaultCheckIpPage));
            WriteFlag(doc, Keys::SetIPManual, false);
            Write(doc, Keys::ManualIP, std::string());
            WriteLocalList(doc, a.DefaultLocalList);
        } else {
            WriteFlag(doc, Keys::SetIPManual, a.Manual);
            Write(doc, Keys::ManualIP, a.ManualIP);
            WriteLocalList(doc, a.LocalList);
            Write(doc, Keys::ServerIP, a.Page);
        }
    } else {
        WriteFlag(doc, Keys::DirectConnect, true);
        WriteFlag(doc, Keys::UseProxy, false);
        Write(doc, Keys::ServerPort, c.ServerPort);
        WriteFlag(doc, Keys::SetIPManual, false);
        Write(doc, Keys::ManualIP, std::string());
        WriteLocalList(doc, a.LocalList);
        Write(doc, Keys::ServerIP, a.Page);
    }

    Write(doc, Keys::ProxyHost, c.ProxyHost);
    Write(doc, Keys::ProxyPort, c.ProxyPort);
    Write(doc, Keys::ProxyUserName, c.ProxyUser);
    WritePassword(doc, Keys::ProxyPassword, c.ProxyPassword);

    WriteFlag(doc, Keys::DefIPSetting, a.DefaultSetting);
    WriteIPv6Values(doc, a.IPv6);

    const TDialerValues& d = values.Dialer;
    Write(doc, Keys::DialDelay, d.DialDelay);
    WriteFlag(doc, Keys::NeedDial, d.NeedDial);
    Write(doc, Keys::DialAccount, d.Account);
    Write(doc, Keys::DialUserName, d.UserName);
    WritePassword(doc, Keys::DialPassword, d.Password);

    const TLoggingValues& l = values.Logging;
    WriteFlag(doc, Keys::LogToScreen, l.ToScreen);
    Write(doc, Keys::MaxLogLines, l.MaxLines);
    WriteFlag(doc, Keys::LogToFile, l.ToFile);
    Write(doc, Keys::ChangeLogInt, l.ChangeInterval);
    Write(doc, Keys::LogKept, l.Kept);

    for (int i = 0; i < SettingsIconCount; ++i) {
        Write(doc, *IconKeys[i].first, values.Icons[i].File);
        Write(doc, *IconKeys[i].second, values.Icons[i].Index);
    }

    const TMiscValues& m = values.Misc;
    WriteFlag(doc, Keys::RunPrograms, m.RunPrograms);
    WriteFlag(doc, Keys::DiscRunPrograms, m.DiscRunPrograms);
    WriteFlag(doc, Keys::SendMail, m.SendMail);
    WriteFlag(doc, Keys::UpdateServU, m.UpdateServU);
    WriteFlag(doc, Keys::SoftAutoUpdate, m.CheckUpdate);
    WriteFlag(doc, Keys::EventCheck, m.EventCheck);
}

bool SaveSettingsValues(const TSettingsValues& values) {
    const bool ok = IniUpdate(ConfigPath(), [&](TIniDocument& doc) {
        ApplySettingsValues(doc, values);
        return true;
    });
    if (ok)
        IniTidy(ConfigPath());
    return ok;
}

TSettingsEnabling SettingsEnabling(bool dialUp, bool useProxy, bool needDial, bool defaultIPSetting) {
    TSettingsEnabling e;
    e.UseProxyBox = !dialUp;
    e.ProxyFields = !dialUp && useProxy;
    e.NeedDialBox = dialUp;
    e.DialerFields = dialUp && needDial;
    e.Configure = !defaultIPSetting;
    return e;
}

void ApplyConnectionProxy(TCheckSettings& check, const TConnectionValues& connection) {
    check.ProxyHost.clear();
    check.ProxyPort.clear();
    check.ProxyUser.clear();
    check.ProxyPass.clear();
    if (!connection.UseProxy)
        return;
    check.ProxyHost = KeepCharacters(TrimBlanks(connection.ProxyHost), ProxyHostLimit);
    check.ProxyPort = KeepCharacters(TrimBlanks(connection.ProxyPort), ProxyPortLimit);
    check.ProxyUser = KeepCharacters(connection.ProxyUser, ProxyUserLimit);
    check.ProxyPass = KeepCharacters(connection.ProxyPassword, ProxyPassLimit);
}

// ---- dialog state -----------------------------------------------------------------------------

TSettingsFormState LoadSettingsFormState() {
    TSettingsFormState s;
    s.ActivePage = ReadInteger(Keys::SettingFormActivePage);
    if (s.ActivePage < 0 || s.ActivePage >= SettingsPageCount)
        s.ActivePage = 0;
    s.Left = ReadInteger(Keys::SettingFormLeft);
    s.Top = ReadInteger(Keys::SettingFormTop);
    for (int i = 1; i <= GroupListColumns; ++i) {
        const int width =
            ReadIntegerChecked(ConfigPath(), FormWindowSection, ColumnKeyPrefix + std::to_string(i), 0);
        s.ColumnWidths.push_back(std::clamp(width, 0, 2000));
    }
    return s;
}

bool SaveSettingsFormState(const TSettingsFormState& state) {
    return IniUpdate(ConfigPath(), [&](TIniDocument& doc) {
        doc.WriteInteger(SettingFormSection, Keys::SettingFormActivePage.Key, state.ActivePage);
        doc.WriteInteger(SettingFormSection, Keys::SettingFormLeft.Key, state.Left);
        doc.WriteInteger(SettingFormSection, Keys::SettingFormTop.Key, state.Top);
        for (std::size_t i = 0; i < state.ColumnWidths.size(); ++i)
            doc.WriteInteger(FormWindowSection, ColumnKeyPrefix + std::to_string(i + 1),
                             state.ColumnWidths[i]);
        return true;
    });
}

// ---- group list -------------------------------------------------------------------------------

namespace {

bool ParseFlag(const std::string& text, bool def) {
    int value = 0;
    return ParseIniInteger(text, value) ? value != 0 : def;
}

// One row from a copy of the file: the list is read once, not key by key.
TGroupRow RowOf(const TIniDocument& doc, const std::string& name, const std::string& dateTimeFormat) {
    TGroupRow row;
    row.Name = name;
    row.Enabled = ParseFlag(doc.ReadString(name, "Enable", "1"), true);
    int hosts = 0;
    ParseIniInteger(doc.ReadString(name, "NumOfHosts", "0"), hosts);
    row.Hosts = std::to_string(hosts);
    TDateTime last;
    const std::string stamp = doc.ReadString(name, "LastUpdate", "");
    row.LastUpdate = !stamp.empty() && TryDecodeStamp(stamp, last) ? FormatDateTime(dateTimeFormat, last)
                                                                   : Msg(MsgUnknown);
    if (IsHostaqEdition()) {
        static constexpr int ResultTexts[] = {MsgResultNoError,  MsgResultGood, MsgWarning,      MsgError,
                                              MsgResultNoUpdate, MsgResultNoIP, MsgResultWinsock};
        int result = -1;
        if (ParseIniInteger(doc.ReadString(name, "UpdateResult", ""), result) && result >= 0 &&
            result < static_cast<int>(std::size(ResultTexts)))
            row.Fourth = Msg(ResultTexts[result]);
    } else {
        row.Fourth = doc.ReadString(name, "Provider", "");
    }
    return row;
}

TIniDocument FileSnapshot() {
    std::ifstream in(ConfigPath(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return TIniDocument(text.str());
}

// A section with the keys every saved group has.
bool IsGroup(const TIniDocument& doc, const std::string& name) {
    int found = 0;
    for (const std::string& key : doc.KeyNames(name))
        for (const char* needed : {"UserID", "Password", "Type", "NumOfHosts"})
            if (strcasecmp(key.c_str(), needed) == 0)
                found |= 1 << (needed[0] == 'U' ? 0 : needed[0] == 'P' ? 1 : needed[0] == 'T' ? 2 : 3);
    return found == 15;
}

} // namespace

TGroupRow ReadGroupRow(const std::string& name) {
    return RowOf(FileSnapshot(), name, ReadString(Keys::DateTimeFormat));
}

std::vector<TGroupRow> ReadGroupRows() {
    const TIniDocument doc = FileSnapshot();
    const std::string format =
        doc.ReadString(Keys::DateTimeFormat.Section, Keys::DateTimeFormat.Key, Keys::DateTimeFormat.Default);
    std::vector<TGroupRow> rows;
    std::vector<std::string> seen;
    for (const std::string& name : doc.SectionNames()) {
        // A name that appears twice is one group: the first section.
        if (std::any_of(seen.begin(), seen.end(),
                        [&](const std::string& s) { return strcasecmp(s.c_str(), name.c_str()) == 0; }))
            continue;
        seen.push_back(name);
        if (IsGroup(doc, name))
            rows.push_back(RowOf(doc, name, format));
    }
    return rows;
}

bool GroupNameTaken(const std::string& name) {
    return IniSectionExists(ConfigPath(), name) || SplitNameTaken(ConfigPath(), name);
}

int RowAfterDelete(int deleted, int remaining) {
    if (remaining <= 0)
        return -1;
    return deleted < remaining ? deleted : remaining - 1;
}

namespace {
// The section Yes opens: the name itself, or else the first of its split names that exists.
std::string ExistingGroupFor(const std::string& name) {
    if (IniSectionExists(ConfigPath(), name))
        return name;
    for (int type : {SystemHostaq, SystemStatdns, SystemCustom})
        if (IniSectionExists(ConfigPath(), SplitGroupName(name, type)))
            return SplitGroupName(name, type);
    return name;
}
} // namespace

std::optional<std::string> RunGroupAdd(const TGroupAddHooks& hooks) {
    for (;;) {
        const std::optional<std::string> name = hooks.AskName();
        if (!name || name->empty())
            return std::nullopt;
        if (!GroupNameTaken(*name))
            return hooks.Edit(*name);
        switch (hooks.AskExisting(FormatMsg(MsgGroupExistsEdit, {*name}))) {
        case TAddAnswer::Yes:
            return hooks.Edit(ExistingGroupFor(*name));
        case TAddAnswer::No:
            continue;
        case TAddAnswer::Cancel:
            return std::nullopt;
        }
    }
}

// ---- IP detection and address dialogs ---------------------------------------------------------

TIPDetectProblem CheckIPDetect(bool manual, const std::string& manualIP, const std::string& page,
                               bool listEmpty) {
    if (manual) {
        const std::optional<std::string> ip = NormaliseAddress(manualIP);
        if (!ip || *ip == "0.0.0.0")
            return {TIPDetectProblem::ManualIP, Msg(MsgNeedManualIP)};
        return {};
    }
    if (TrimBlanks(page).empty())
        return {TIPDetectProblem::Page, Msg(MsgNeedWebsite)};
    if (listEmpty)
        return {TIPDetectProblem::List, Msg(MsgNeedLocalList)};
    return {};
}

std::string LocalListEntry(const std::string& from, const std::string& to) {
    const std::string t = TrimBlanks(to);
    if (t.empty() || t == "0.0.0.0")
        return TrimBlanks(from);
    return TrimBlanks(from) + "-" + t;
}

bool AddLocalListEntry(std::vector<std::string>& list, const std::string& entry) {
    if (entry.empty() || std::find(list.begin(), list.end(), entry) != list.end())
        return false;
    list.push_back(entry);
    return true;
}

std::optional<std::string> NormaliseAddress(const std::string& text) {
    const std::string t = TrimBlanks(text);
    std::string out;
    std::size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t end = part < 3 ? t.find('.', pos) : t.size();
        if (end == std::string::npos)
            return std::nullopt;
        const std::string digits = t.substr(pos, end - pos);
        if (digits.empty() || digits.size() > 3 ||
            !std::all_of(digits.begin(), digits.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
            return std::nullopt;
        const int value = std::stoi(digits);
        if (value > 255)
            return std::nullopt;
        out += (part ? "." : "") + std::to_string(value);
        pos = end + 1;
    }
    return out;
}

// ---- histories --------------------------------------------------------------------------------

std::vector<std::string> LoadHistory(const std::string& name) {
    std::vector<std::string> history;
    for (int i = 1; i <= HistoryLimit; ++i) {
        const std::string value = IniReadString(ConfigPath(), HistorySection, name + std::to_string(i), "");
        if (!value.empty() && std::find(history.begin(), history.end(), value) == history.end())
            history.push_back(value);
    }
    return history;
}

std::vector<std::string> PushHistory(std::vector<std::string> history, const std::string& value) {
    if (value.empty())
        return history;
    history.erase(std::remove(history.begin(), history.end(), value), history.end());
    history.insert(history.begin(), value);
    if (history.size() > static_cast<std::size_t>(HistoryLimit))
        history.resize(HistoryLimit);
    return history;
}

bool SaveHistory(const std::string& name, const std::vector<std::string>& history) {
    return IniUpdate(ConfigPath(), [&](TIniDocument& doc) {
        for (int i = 1; i <= HistoryLimit; ++i) {
            const std::string key = name + std::to_string(i);
            if (i <= static_cast<int>(history.size()))
                doc.WriteString(HistorySection, key, history[i - 1]);
            else
                doc.DeleteKey(HistorySection, key);
        }
        return true;
    });
}

// ---- dial-up entries --------------------------------------------------------------------------

std::optional<std::vector<std::string>> DialUpEntries() {
    if (DialSource())
        return DialSource()();
    const TPppSystem system;
    if (system.FindPppd().empty())
        return std::nullopt;
    return system.Entries();
}

void SetDialEntriesSource(TDialEntriesSource source) {
    DialSource() = std::move(source);
}

} // namespace hostaq
