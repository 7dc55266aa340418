#pragma once

// Message identifiers of the update protocol (texts in config/Messages.txt).
namespace hostaq {

// Result class texts, class 0 to 6.
inline constexpr int MsgClassNoError = 10212;
inline constexpr int MsgClassGood = 10213;
inline constexpr int MsgClassWarning = 10214;
inline constexpr int MsgClassRetry = 10215;
inline constexpr int MsgClassBlocked = 10216;
inline constexpr int MsgClassNoIP = 10217;
inline constexpr int MsgClassWinsock = 10218;

// Interpretations of the standard return codes.
inline constexpr int MsgBadAuth = 10219;
inline constexpr int MsgBadSys = 10220;
inline constexpr int MsgBadAgent = 10221;
inline constexpr int MsgGood = 10222;
inline constexpr int MsgNoChg = 10223;
inline constexpr int MsgNotFqdn = 10224;
inline constexpr int MsgNoHost = 10225;
inline constexpr int MsgNotDonator = 10226;
inline constexpr int MsgNotYours = 10227;
inline constexpr int MsgAbuse = 10228;
inline constexpr int MsgNumHost = 10229;
inline constexpr int MsgDnsErr = 10230;
inline constexpr int MsgWait = 10231;
inline constexpr int MsgFatal = 10232;
inline constexpr int MsgUpdateSuccessful = 10233;

// An answer longer than the group: "%s: ... %s lines ... dropped".
inline constexpr int MsgAnswerLinesDropped = 10638;

// Log lines and report blocks.
inline constexpr int MsgHostResultLine = 10234; // "%s [%s]: %s (%s)"
inline constexpr int MsgReportPair = 10235;     // "%s: %s"
inline constexpr int MsgReportHostname = 10236;
inline constexpr int MsgReportProvider = 10237;
inline constexpr int MsgReportReturn = 10238;
inline constexpr int MsgReportInterpreted = 10239;

// Update decisions.
inline constexpr int MsgGroupDisabled = 10240;
inline constexpr int MsgGroupBlocked = 10241;
inline constexpr int MsgGroupForced = 10242;
inline constexpr int MsgGroupNoNeed = 10243;
inline constexpr int MsgIPChanges = 10244;
inline constexpr int MsgModeAutomatic = 10245;
inline constexpr int MsgModeManual = 10246;
inline constexpr int MsgGroupsChanged = 10247;
inline constexpr int MsgGroupNeedsUpdate = 10248;

// Profile interpretation.
inline constexpr int MsgProfileError = 10249;
inline constexpr int MsgProfileWarning = 10250;
inline constexpr int MsgEnterProfile = 10251;

// Hostname list (editor and wizard).
inline constexpr int MsgHostTotal = 10252;
inline constexpr int MsgDownloadReplaces = 10253;
inline constexpr int MsgCannotDetectHosts = 10367;
inline constexpr int MsgWrongLogin = 10416;

// A group that is not sent because it lacks what a request needs.
inline constexpr int MsgLacksUserName = 10254;
inline constexpr int MsgLacksPassword = 10255;
inline constexpr int MsgLacksHosts = 10256;
inline constexpr int MsgLacksProfile = 10257;
// A per-host result whose key would overwrite one of the group's own keys.
inline constexpr int MsgResultKeyRefused = 10258;

// A group name the file cannot hold as the group's section: "%s cannot be used: %s", and why.
inline constexpr int MsgGroupNameRefused = 10123;
inline constexpr int MsgGroupNameBlankEnd = 10124;
inline constexpr int MsgGroupNameBracket = 10125;
inline constexpr int MsgGroupNameControl = 10126;
inline constexpr int MsgGroupNameStart = 10127;
inline constexpr int MsgGroupNameReserved = 10128;
// The group name the editor asks for ("... by %s.%sPlease provide the group name ...").
inline constexpr int MsgGroupNameNeeded = 10098;
// A stored scrambled password that does not unscramble.
inline constexpr int MsgGroupPasswordDamaged = 10129;

// IPv6 (AAAA records).
inline constexpr int MsgIPv6Changes = 10701; // "IPv6 address of group %s changes (%s > %s [%s])"

} // namespace hostaq
