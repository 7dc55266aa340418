#include "ui/editor/AccountLogic.h"

#include "config/ConfigKeys.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/ProviderConstants.h"
#include "config/Text.h"
#include "config/Version.h"
#include "engine/ProgramList.h"
#include "ipdetect/IPv6Choice.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <strings.h>

namespace hostaq {

namespace {
constexpr int MsgGroupNameNeeded = 10098;
constexpr int MsgUserNameNeeded = 10099;
constexpr int MsgPasswordNeeded = 10100;
constexpr int MsgRetypePassword = 10101;
constexpr int MsgPasswordDiffers = 10102;
constexpr int MsgNeedOneHost = 10103;
constexpr int MsgGroupNameTaken = 10122;
constexpr int MsgEnterProfileFile = 10251;
constexpr int MsgTooManyHosts = 10435;
constexpr int MsgOnlyFirstHosts = 10436;
constexpr int MsgSplitWouldReplace = 10500;
constexpr int MsgIPv6SuffixInvalid = 10712;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool SameText(const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

} // namespace

int CheckedCount(const std::vector<THostRow>& rows) {
    return static_cast<int>(
        std::count_if(rows.begin(), rows.end(), [](const THostRow& r) { return r.Checked; }));
}

bool AnyHostSaved(const std::vector<THostRow>& rows) {
    return std::any_of(rows.begin(), rows.end(), [](const THostRow& r) {
        return r.Checked && SystemName(SystemIndex(r.System)) == r.System;
    });
}

int SystemIndex(const std::string& system) {
    for (int type : {SystemHostaq, SystemStatdns, SystemCustom})
        if (system == SystemName(type))
            return type;
    return SystemHostaq;
}

TAccountValues LoadAccountValues(const std::string& path, const std::string& name, bool providerEdition) {
    TDynAcc group;
    LoadGroup(path, name, group);
    TAccountValues v;
    v.Name = name;
    v.Provider = providerEdition ? BuiltInProvider : group.Provider;
    v.Profile = providerEdition ? std::string() : group.Profile;
    v.UserName = group.UserID;
    v.Password = group.Password;
    v.Confirm = group.Password;
    for (int i = 0; i < group.NumOfHosts; ++i) {
        const std::string& host = group.Hosts[static_cast<std::size_t>(i)];
        if (host.empty())
            continue;
        THostRow row;
        row.Host = host;
        row.System = SystemName(group.Type);
        // A host named like one of the group's own keys never has a result of its own.
        if (!IsGroupConfigKey(host))
            row.Result = IniReadString(path, name, host, "");
        v.Hosts.push_back(row);
    }
    v.Wildcard = group.Wildcard;
    v.MailEx = group.MailEx;
    v.BackupMX = group.BackupMX;
    v.Secure = group.Secure;
    v.IPv6 = group.IPv6;
    v.IPv6Suffix = group.IPv6Suffix;
    return v;
}

std::optional<TAccountProblem> ValidateLogin(const std::string& userName, const std::string& password,
                                             const std::string& confirm) {
    if (userName.empty())
        return TAccountProblem{3, FormatMsg(MsgUserNameNeeded, {"\r"}), TAccountPage::Provider,
                               TAccountField::UserName};
    if (password.empty())
        return TAccountProblem{4, FormatMsg(MsgPasswordNeeded, {"\r"}), TAccountPage::Provider,
                               TAccountField::Password};
    if (confirm.empty())
        return TAccountProblem{5, Msg(MsgRetypePassword), TAccountPage::Provider, TAccountField::Confirm};
    if (password != confirm) {
        TAccountProblem p{6, Msg(MsgPasswordDiffers), TAccountPage::Provider, TAccountField::Confirm};
        p.ClearConfirm = true;
        return p;
    }
    return std::nullopt;
}

std::optional<TAccountProblem> ValidateAccount(const std::string& path, const std::string& openingName,
                                               const TAccountValues& v, bool providerEdition) {
    const std::string name = TrimBlanks(v.Name);
    if (name.empty())
        return TAccountProblem{1, FormatMsg(MsgGroupNameNeeded, {AppTitle, "\r"}), TAccountPage::Options,
                               TAccountField::Name};
    // A name the file cannot hold as a group of its own is refused like a taken one.
    if (std::string problem = CheckGroupName(name); !problem.empty())
        return TAccountProblem{2, problem, TAccountPage::Options, TAccountField::Name};
    // Changing only the case of the name is no rename: the section found is the group itself.
    if (!SameText(name, openingName) && (IniSectionExists(path, name) || SplitNameTaken(path, name)))
        return TAccountProblem{2, FormatMsg(MsgGroupNameTaken, {name}), TAccountPage::Options,
                               TAccountField::Name};
    if (auto login = ValidateLogin(v.UserName, v.Password, v.Confirm))
        return login;
    if (!providerEdition && Lower(TrimBlanks(v.Provider)) != BuiltInProvider && TrimBlanks(v.Profile).empty())
        return TAccountProblem{7, Msg(MsgEnterProfileFile), TAccountPage::Options, TAccountField::Profile};
    // Without a host that is saved the group would be erased and nothing written in its place.
    if (!AnyHostSaved(v.Hosts))
        return TAccountProblem{8, FormatMsg(MsgNeedOneHost, {AppTitle}), TAccountPage::Provider,
                               TAccountField::AddButton};
    if (v.BackupMX && TrimBlanks(v.MailEx).empty()) {
        TAccountProblem p{9, "You do not specify the mail exchange server.", TAccountPage::Options,
                          TAccountField::MailEx};
        p.UncheckBackupMX = true;
        return p;
    }
    // Hosts of another system are saved as "name (statdns)" or "name (custom)": a group of that
    // name that is not the one being edited would lose its own login and hosts.
    for (const auto& written : PlanAccountSave(v, providerEdition).Groups)
        if (!SameText(written.first, openingName) && IniSectionExists(path, written.first))
            return TAccountProblem{10, FormatMsg(MsgSplitWouldReplace, {written.first, "\r"}),
                                   TAccountPage::Options, TAccountField::Name};
    if (v.IPv6)
        if (std::string problem = CheckIPv6Suffix(v.IPv6Suffix); !problem.empty())
            return TAccountProblem{10, problem, TAccountPage::Options, TAccountField::IPv6Suffix};
    return std::nullopt;
}

bool DownloadAllowed(const std::string& userName, const std::string& password, const std::string& confirm,
                     const std::string& provider, bool providerEdition) {
    if (userName.empty() || password.empty() || confirm.empty())
        return false;
    return providerEdition || Lower(TrimBlanks(provider)) == BuiltInProvider;
}

bool ProfileControlsEnabled(const std::string& provider) {
    return Lower(TrimBlanks(provider)) != BuiltInProvider;
}

bool IPv6SuffixEnabled(const TAccountValues& values) {
    return values.IPv6;
}

std::string CheckIPv6Suffix(const std::string& suffix) {
    if (IsValidIPv6Suffix(suffix))
        return {};
    return FormatMsg(MsgIPv6SuffixInvalid, {CleanText(TrimBlanks(suffix))});
}

TGroupSavePlan PlanGroupSave(const std::string& name, const std::vector<THostRow>& rows,
                             const TDynAcc& common) {
    TGroupSavePlan plan;
    plan.TooManyHosts = CheckedCount(rows) > MaxHostsPerGroup;
    std::array<TDynAcc, 3> records;
    for (int type : {SystemHostaq, SystemStatdns, SystemCustom}) {
        TDynAcc& r = records[static_cast<std::size_t>(type)];
        r = common;
        r.Type = type;
        r.NumOfHosts = 0;
        r.Hosts = {};
    }
    for (const THostRow& row : rows) {
        if (!row.Checked)
            continue;
        for (int type : {SystemHostaq, SystemStatdns, SystemCustom}) {
            TDynAcc& r = records[static_cast<std::size_t>(type)];
            if (row.System == SystemName(type) && r.NumOfHosts < MaxHostsPerGroup)
                r.Hosts[static_cast<std::size_t>(r.NumOfHosts++)] = row.Host;
        }
    }
    const bool hostaq = records[SystemHostaq].NumOfHosts > 0;
    const bool statdns = records[SystemStatdns].NumOfHosts > 0;
    const bool custom = records[SystemCustom].NumOfHosts > 0;
    if (hostaq)
        plan.Groups.emplace_back(name, records[SystemHostaq]);
    if (statdns)
        plan.Groups.emplace_back(hostaq ? SplitGroupName(name, SystemStatdns) : name, records[SystemStatdns]);
    if (custom)
        plan.Groups.emplace_back(hostaq || statdns ? SplitGroupName(name, SystemCustom) : name,
                                 records[SystemCustom]);
    plan.MixedSystems = plan.Groups.size() > 1;
    return plan;
}

std::string TooManyHostsMessage() {
    return FormatMsg(MsgTooManyHosts, {AppTitle, std::to_string(MaxHostsPerGroup), "\r"});
}

std::string TooManyHostsSaveMessage() {
    return TooManyHostsMessage() + "\r" + FormatMsg(MsgOnlyFirstHosts, {std::to_string(MaxHostsPerGroup)});
}

std::string MixedSystemsMessage() {
    return FormatText("You have mixed DNS system service in your hostnames list.%s%s will automatically save "
                      "your hostnames into%sseparate group base on DNS system service.",
                      {"\r\r", AppTitle, "\r"});
}

TGroupSavePlan PlanAccountSave(const TAccountValues& v, bool providerEdition) {
    TDynAcc common;
    InitGroup(common);
    common.UserID = v.UserName;
    common.Password = v.Password;
    common.Provider = providerEdition ? std::string(BuiltInProvider) : TrimBlanks(v.Provider);
    common.Profile = providerEdition ? std::string() : TrimBlanks(v.Profile);
    common.Wildcard = v.Wildcard;
    common.MailEx = v.MailEx;
    common.BackupMX = v.BackupMX;
    common.Secure = v.Secure;
    common.IPv6 = v.IPv6;
    // A suffix is kept only with the AAAA records it is for.
    common.IPv6Suffix = v.IPv6 ? TrimBlanks(v.IPv6Suffix) : std::string();
    return PlanGroupSave(TrimBlanks(v.Name), v.Hosts, common);
}

void WriteGroupPlan(TIniDocument& doc, const std::string& openingName, const TGroupSavePlan& plan) {
    if (!openingName.empty())
        doc.EraseSection(openingName);
    for (const auto& [name, group] : plan.Groups)
        WriteGroupTo(doc, name, group);
}

std::vector<std::string> LoadProviderHistory(const std::string& path) {
    std::vector<std::string> history;
    for (const std::string& line : IniReadSectionValues(path, "SvcProvider")) {
        const std::size_t eq = line.find('=');
        const std::string value = TrimBlanks(eq == std::string::npos ? line : line.substr(eq + 1));
        if (!value.empty() && std::none_of(history.begin(), history.end(),
                                           [&](const std::string& h) { return SameText(h, value); }))
            history.push_back(value);
        if (history.size() == static_cast<std::size_t>(ProviderHistoryLimit))
            break;
    }
    return history;
}

void WriteProviderHistory(TIniDocument& doc, const std::string& provider) {
    const std::string value = TrimBlanks(provider);
    if (value.empty())
        return;
    std::vector<std::string> history{value};
    for (const std::string& key : doc.KeyNames("SvcProvider")) {
        const std::string old = doc.ReadString("SvcProvider", key, "");
        if (!old.empty() && history.size() < static_cast<std::size_t>(ProviderHistoryLimit) &&
            std::none_of(history.begin(), history.end(),
                         [&](const std::string& h) { return SameText(h, old); }))
            history.push_back(old);
    }
    doc.EraseSection("SvcProvider");
    for (std::size_t i = 0; i < history.size(); ++i)
        doc.WriteString("SvcProvider", "Item" + std::to_string(i), history[i]);
}

bool SaveAccount(const std::string& path, const std::string& openingName, const TGroupSavePlan& plan,
                 const std::string& provider, bool providerEdition) {
    const bool ok = IniUpdate(path, [&](TIniDocument& doc) {
        WriteGroupPlan(doc, openingName, plan);
        if (!providerEdition)
            WriteProviderHistory(doc, provider);
        return true;
    });
    if (ok)
        IniTidy(path);
    return ok;
}

std::vector<std::string> ProfileEditorArguments(const std::string& editorParameters,
                                                const std::string& profile) {
    std::vector<std::string> arguments = SplitArguments(editorParameters);
    std::error_code ec;
    std::filesystem::path file = std::filesystem::absolute(profile, ec);
    if (ec)
        file = std::filesystem::current_path(ec) / profile;
    arguments.push_back(file.lexically_normal().string());
    return arguments;
}

} // namespace hostaq
