#include "engine/StatusTexts.h"

#include "config/Messages.h"
#include "config/Version.h"
#include "engine/EngineMessages.h"
#include "engine/EngineState.h"

namespace hostaq {

namespace {
constexpr std::int64_t MsPerDay = 86400000;

// "%s%s" with the short unit letters; the message table has no entries for them.
constexpr const char* UnitDay = "d";
constexpr const char* UnitHour = "h";
constexpr const char* UnitMinute = "m";

std::string Num(std::int64_t n) {
    return std::to_string(n);
}
} // namespace

TElapsed SplitElapsed(const TDateTime& t, const TDateTime& now) {
    TElapsed e;
    std::int64_t ms = t.MsecsTo(now);
    if (ms <= 0)
        return e;
    e.Days = ms / MsPerDay;
    ms %= MsPerDay;
    e.Hours = static_cast<int>(ms / 3600000);
    ms %= 3600000;
    e.Minutes = static_cast<int>(ms / 60000);
    ms %= 60000;
    e.Seconds = static_cast<int>(ms / 1000);
    return e;
}

std::string LongTimeAgo(const TDateTime& t, const TDateTime& now) {
    const TElapsed e = SplitElapsed(t, now);
    if (e.IsZero())
        return Msg(MsgCannotDetectLastUpdate);
    std::string text;
    if (e.Days > 0)
        text += FormatText("%s %s ", {Num(e.Days), Msg(e.Days == 1 ? MsgDay : MsgDays)});
    if (e.Hours > 0)
        text += FormatText("%s %s ", {Num(e.Hours), Msg(e.Hours == 1 ? MsgHour : MsgHours)});
    if (e.Minutes == 0)
        text += FormatText("%s %s %s",
                           {Num(e.Seconds), Msg(e.Seconds == 1 ? MsgSecond : MsgSeconds), Msg(MsgAgo)});
    else
        text += FormatText("%s %s %s",
                           {Num(e.Minutes), Msg(e.Minutes == 1 ? MsgMinute : MsgMinutes), Msg(MsgAgo)});
    return text;
}

std::string ShortTimeAgo(const TDateTime& t, const TDateTime& now) {
    const TElapsed e = SplitElapsed(t, now);
    if (e.IsZero())
        return {};
    std::string text;
    if (e.Days > 0)
        text += FormatText("%s%s:", {Num(e.Days), UnitDay});
    if (e.Hours > 0)
        text += FormatText("%s%s:", {Num(e.Hours), UnitHour});
    if (e.Minutes == 0)
        text += FormatText("%s %s", {Num(e.Seconds), Msg(e.Seconds == 1 ? MsgSecond : MsgSeconds)});
    else if (!text.empty())
        text += FormatText("%s%s", {Num(e.Minutes), UnitMinute});
    else
        text += FormatText("%s %s", {Num(e.Minutes), Msg(e.Minutes == 1 ? MsgMinute : MsgMinutes)});
    return text;
}

namespace {
std::string CountText(int count, int disabled, int none, int one, int many) {
    std::string text;
    if (count == 0)
        text = Msg(none);
    else
        text = FormatMsg(count == 1 ? one : many, {Num(count)});
    if (disabled > 0) {
        text += ' ';
        text += FormatMsg(MsgDisabledCount, {Num(disabled)});
    }
    return text;
}
} // namespace

std::string GroupCountText(int groups, int disabledGroups) {
    return CountText(groups, disabledGroups, MsgNoGroup, MsgOneGroup, MsgGroups);
}

std::string HostCountText(int hosts, int disabledHosts) {
    return CountText(hosts, disabledHosts, MsgNoHost, MsgOneHost, MsgHosts);
}

std::string ConnectionKindText(int kind) {
    switch (kind) {
    case ConnectionDialUp:
        return Msg(MsgDialUp);
    case ConnectionProxy:
        return Msg(MsgProxyServer);
    default:
        return Msg(MsgLocalAreaNetwork);
    }
}

std::string CutHint(const std::string& text) {
    if (text.size() <= 255)
        return text;
    std::size_t n = 255;
    // Step back over continuation bytes so no character is cut in half.
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return text.substr(0, n);
}

std::string BuildTrayHint(const THintState& state, const TDateTime& now) {
    const std::string sep = HintSeparator;
    if (state.GroupCount <= 0)
        return CutHint(std::string(AppTitle) + sep + Msg(MsgNoAccount));
    std::string word;
    switch (state.CycleState) {
    case CycleUpdating:
        word = Msg(MsgHintUpdating);
        break;
    case CycleSettings:
        word = Msg(MsgHintChangingSettings);
        break;
    case CycleStarting:
        word = Msg(MsgHintStarting);
        break;
    default:
        if (state.AddressState == AddressChecking) {
            word = Msg(MsgHintChecking);
        } else if (!state.AutoCheck) {
            word = Msg(MsgAutoUpdateDisabled);
        } else {
            std::string ago = ShortTimeAgo(state.LastUpdateTime, now);
            if (ago.empty())
                ago = Msg(MsgCannotDetectLastUpdate);
            // Without a public IPv4 address, a machine served by IPv6 alone shows only that.
            std::string addresses = "IP: " + state.CurrentAddress;
            if (!state.CurrentAddress6.empty())
                addresses = state.CurrentAddress.empty() ? "IPv6: " + state.CurrentAddress6
                                                         : addresses + sep + "IPv6: " + state.CurrentAddress6;
            return CutHint(
                FormatText("%s%s%s%s%s %s", {AppTitle, sep, addresses, sep, Msg(MsgUpdatedColon), ago}));
        }
    }
    return CutHint(FormatText("%s%s%s", {AppTitle, sep, word}));
}

} // namespace hostaq
