#include "groups/HostaqUpdate.h"

#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/ConfigPath.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/ProviderConstants.h"
#include "config/Stamp.h"
#include "config/Text.h"
#include "config/Version.h"
#include "groups/DynAcc.h"
#include "groups/DynAccUpdate.h"
#include "groups/GroupMessages.h"
#include "groups/Profile.h"
#include "groups/UpdateReport.h"
#include "log/Log.h"
#include "net/SystemProxy.h"

namespace hostaq {

namespace {

int LogKindOf(UpdateResultClass c) {
    if (c <= ClassGood)
        return LogNormal;
    return c == ClassWarning ? LogWarning : LogError;
}

// A per-host result key is named like its host. A name that is one of the group's own keys would
// overwrite the login; one that the file cannot hold as a key name would break the section.
bool StorableResultKey(const std::string& name) {
    if (IsGroupConfigKey(name))
        return false;
    const std::size_t first = name.find_first_not_of(" \t");
    if (first == std::string::npos)
        return false;
    return name[first] != '[' && name[first] != ';' && name.find_first_of("=\r\n") == std::string::npos;
}

int LackMessage(TRequestLack lack) {
    switch (lack) {
    case TRequestLack::UserName:
        return MsgLacksUserName;
    case TRequestLack::Password:
        return MsgLacksPassword;
    case TRequestLack::Profile:
        return MsgLacksProfile;
    case TRequestLack::DamagedPassword:
        return MsgGroupPasswordDamaged;
    default:
        return MsgLacksHosts;
    }
}

} // namespace

THostaqUpdate::THostaqUpdate(std::string configPath) : path_(std::move(configPath)) {}
THostaqUpdate::THostaqUpdate() : THostaqUpdate(ConfigPath()) {}

THostaqUpdate::~THostaqUpdate() {
    *alive_ = false;
}

void THostaqUpdate::StartUpdate(const std::string& address, const std::string& groupName,
                                const TUpdateRequest& request) {
    Result = ClassNoError;
    Done = false;
    IP = address;
    IP6 = request.IP6;
    GroupName = groupName;
    Worker = nullptr;

    if (request.URL.empty()) {
        const std::string profile = IniReadString(path_, groupName, "Profile", "");
        TRequestLack lack = request.Lack;
        if (lack == TRequestLack::None)
            lack = TRequestLack::Hosts;
        AddLog(LogError, FormatMsg(LackMessage(lack), {groupName, profile}),
               {TLogEvent::GroupBlocked, groupName, "", address, ""});
        // Handled: the block lasts until the configuration is saved again.
        IniWriteBool(path_, groupName, "NewConfig", false);
        OnUpdateDone(groupName, ClassBlocked);
        return;
    }

    auto* worker = new TVemoDynAccUpdate();
    Worker = worker;
    const TConnectionSettings connection = ReadConnectionSettings();
    worker->SetConnection(connection);
    worker->URL = request.URL;
    worker->SetAgent(BuildUserAgent());
    worker->GroupName = groupName;
    worker->UserName = request.UserName;
    worker->Password = request.Password;
    worker->HostText = request.HostText;
    worker->Provider = IniReadString(path_, groupName, "Provider", BuiltInProvider);
    worker->UpdateHost = EffectiveUpdateHost(path_);
    const std::string profile = IniReadString(path_, groupName, "Profile", "");
    if (!profile.empty()) {
        worker->ResultStrings = ReadProfileResults(profile);
        worker->Method = ReadProfileMethod(profile);
        worker->StripHtml = ReadProfileHtml(profile);
        worker->Multilines = ReadProfileMultilines(profile);
    }

    std::shared_ptr<bool> alive = alive_;
    worker->OnHostResult = [this, alive](TVemoDynAccUpdate&, const std::string& group,
                                         const std::string& provider, const THostResult& r) {
        if (*alive)
            OnHostResult(group, provider, r);
    };
    worker->OnUpdateError = [this, alive](TVemoDynAccUpdate&, const std::string& group,
                                          const std::string& provider, int code, const std::string& text) {
        if (*alive)
            OnUpdateError(group, provider, code, text);
    };
    worker->OnUpdateDone = [this, alive](TVemoDynAccUpdate& sender, const std::string& group,
                                         UpdateResultClass worst) {
        if (!*alive)
            return;
        if (sender.DroppedLines > 0)
            AddLog(LogWarning,
                   FormatMsg(MsgAnswerLinesDropped, {group, std::to_string(sender.DroppedLines)}));
        OnUpdateDone(group, worst);
    };
    worker->Start();
}

void THostaqUpdate::MarkDone(UpdateResultClass code) {
    Finish(code);
}

void THostaqUpdate::OnHostResult(const std::string& group, const std::string& provider,
                                 const THostResult& r) {
    const bool storable = StorableResultKey(r.Host);
    // Stored with the request's end, in one pass of the file.
    pending_.push_back({group, r.Line, storable ? r.Host : std::string(), r.Keyword});
    if (!storable)
        AddLog(LogWarning, FormatMsg(MsgResultKeyRefused, {r.Host, group}));
    // A result below the retry class is a success: the group's address and stamp are stored.
    const TLogEvent event = r.Class < ClassRetry ? TLogEvent::UpdateGood : TLogEvent::UpdateFailed;
    AddLog(LogKindOf(r.Class),
           FormatMsg(MsgHostResultLine,
                     {r.Host, provider, CleanText(r.Line, MaxLoggedNetworkText), r.Interpretation}),
           {event, group, r.Host, IP.empty() ? IP6 : IP, r.Keyword.empty() ? r.Interpretation : r.Keyword});
    UpdateReport().AppendResult(HostResultBlock(r.Host, provider, r.Line, r.Interpretation));
}

void THostaqUpdate::OnUpdateError(const std::string& group, const std::string& provider, int code,
                                  const std::string& text) {
    const std::string line = FormatMsg(
        MsgHostResultLine, {group, provider, std::to_string(code), CleanText(text, MaxLoggedNetworkText)});
    AddLog(LogError, line, {TLogEvent::UpdateFailed, group, "", IP.empty() ? IP6 : IP, std::to_string(code)});
    UpdateReport().Append(line + "\r\n\r\n");
}

void THostaqUpdate::OnUpdateDone(const std::string& group, UpdateResultClass worst) {
    std::vector<TPendingResult> results;
    results.swap(pending_);
    IniUpdate(path_, [&](TIniDocument& doc) {
        for (const TPendingResult& r : results) {
            doc.WriteString(r.Group, "ReturnStr", r.Line);
            if (!r.Key.empty())
                doc.WriteString(r.Group, r.Key, r.Keyword);
            doc.WriteBool(r.Group, "NewConfig", false);
        }
        if (worst < ClassRetry) {
            doc.WriteString(group, "LastUpdate", EncodeStamp(Now()));
            // A request with the IPv6 address alone leaves the IPv4 address the group sent last.
            if (!IP.empty() || IP6.empty())
                doc.WriteString(group, "IP", IP);
            if (!IP6.empty())
                doc.WriteString(group, Keys::GroupIP6.Key, IP6);
        }
        doc.WriteInteger(group, "UpdateResult", worst);
        return true;
    });
    Worker = nullptr;
    Finish(worst);
}

void THostaqUpdate::Finish(UpdateResultClass result) {
    Result = result;
    Done = true;
    if (OnDone)
        OnDone(*this);
}

} // namespace hostaq
