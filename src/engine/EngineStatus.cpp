#include "engine/Engine.h"

#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/ConfigPath.h"
#include "config/Messages.h"
#include "config/Version.h"
#include "engine/ConfigDump.h"
#include "engine/EngineMessages.h"
#include "engine/StatusTexts.h"
#include "groups/DynAcc.h"
#include "ipdetect/HostNetwork.h"
#include "log/Log.h"

#include <pwd.h>
#include <unistd.h>

namespace hostaq {

namespace {
std::string MachineName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

std::string LoginName() {
    if (const passwd* pw = ::getpwuid(::geteuid()))
        return pw->pw_name;
    if (const char* user = ::getenv("USER"))
        return user;
    return {};
}
} // namespace

void TEngine::RebuildTrayHint() {
    THintState state;
    state.GroupCount = static_cast<int>(groupNames_.size());
    state.CycleState = cycleState_;
    state.AddressState = addressState_;
    state.AutoCheck = autoCheck_;
    state.CurrentAddress = currentAddress_;
    if (IPv6InUse())
        state.CurrentAddress6 = currentAddress6_.empty() ? Msg(MsgNoIPv6Address) : currentAddress6_;
    state.LastUpdateTime = lastUpdateTime_;
    presenter_.SetTrayHint(BuildTrayHint(state, Now()));
    if (groupNames_.empty())
        ShowTrayState(TrayDisabled);
}

std::string TEngine::IntervalText() const {
    if (!autoCheck_)
        return Msg(MsgNotApplicable);
    return FormatText("%s %s", {std::to_string(checkInterval_), Msg(MsgMinutes)});
}

TInfoValues TEngine::InfoValues() const {
    const TGroupCounts& counts = groupCounts_;
    TInfoValues v;
    v.TotalGroups = GroupCountText(counts.Groups, counts.DisabledGroups);
    v.TotalHosts = HostCountText(counts.Hosts, counts.DisabledHosts);
    v.ConnectionType = ConnectionKindText(connectionKind_);
    v.AutomaticUpdate = Msg(autoCheck_ && !groupNames_.empty() ? MsgEnable : MsgDisable);
    v.CheckingInterval = IntervalText();
    v.LastUpdated = LongTimeAgo(lastUpdateTime_, Now());
    v.NextForceUpdate = NextForceText();
    v.CurrentIP = CurrentAddressText();
    v.UpdatedIP = UpdatedAddressText();
    return v;
}

std::vector<std::string> TEngine::StartUpSummary() const {
    const TInfoValues v = InfoValues();
    auto pair = [](int caption, const std::string& value) {
        return FormatText("%s %s", {Msg(caption), value});
    };
    return {
        pair(MsgTotalGroups, v.TotalGroups),
        pair(MsgTotalHosts, v.TotalHosts),
        FormatMsg(MsgConnectedFrom, {MachineName()}),
        FormatMsg(MsgConnectedUsing, {v.ConnectionType}),
        pair(MsgAutomaticUpdate, v.AutomaticUpdate),
        pair(MsgCheckingInterval, v.CheckingInterval),
        Msg(useManualIP_ ? MsgAddressManual : MsgAddressAutomatic),
        pair(MsgCurrentIP, v.CurrentIP),
        pair(MsgUpdatedIP, v.UpdatedIP),
        pair(MsgLastUpdated, v.LastUpdated),
        pair(MsgNextForceUpdate, v.NextForceUpdate),
    };
}

std::vector<std::string> TEngine::ConfigDumpLines() const {
    const TInfoValues v = InfoValues();
    TDumpInput in;
    in.ConfigPath = ConfigPath();
    in.Now = Now();
    in.ConnectionType = v.ConnectionType;
    in.UseManualIP = useManualIP_;
    in.LocalList = localList_;
    in.CheckingInterval = v.CheckingInterval;
    in.UpdatedAddress = UpdatedAddressText();
    in.CurrentAddress = CurrentAddressText();
    in.IPv6InUse = IPv6InUse();
    in.AutoCheck = autoCheck_;
    in.ForceUpdateDays = forceUpdateDays_;
    in.LastUpdated = v.LastUpdated;
    in.NextForceUpdate = v.NextForceUpdate;
    in.TotalGroups = v.TotalGroups;
    in.TotalHosts = v.TotalHosts;
    in.GroupNames = groupNames_;
    in.HostName = MachineName();
    in.LoginName = LoginName();
    in.HostAddresses = AllHostAddresses();
    return BuildConfigDump(in);
}

bool TEngine::DumpConfig(const std::string& fileName) const {
    std::string error;
    if (WriteDumpFile(fileName, ConfigDumpLines(), error))
        return true;
    presenter_.Notify(TNoticeKind::Error, FormatMsg(MsgUnableToWrite, {fileName}));
    return false;
}

} // namespace hostaq
