#pragma once

// Message identifiers of the monitor engine (texts in config/Messages.txt).
namespace hostaq {

inline constexpr int MsgStopped = 10300;            // "%s stopped..."
inline constexpr int MsgNotPublic = 10301;          // "Current IP address (%s) is not public IP"
inline constexpr int MsgRetryWithin = 10302;        // "Will try to check again within %d minutes"
inline constexpr int MsgUpdateResult = 10303;       // "Update result: %s"
inline constexpr int MsgAutoUpdateDisabled = 10304; // "Automatic update is disabled"
inline constexpr int MsgMinimumInterval = 10305;
inline constexpr int MsgMaximumInterval = 10306;
inline constexpr int MsgIntegerExpected = 10307;
// "The force update interval must be from %d to %d days."
inline constexpr int MsgForceDaysRange = 10501;
inline constexpr int MsgUpdateStarts = 10308;   // "Update process starts"
inline constexpr int MsgUpdateFinished = 10309; // "Update process finished"
inline constexpr int MsgAddressUnchangedAsk = 10310;
inline constexpr int MsgNotPublicAsk = 10311;
inline constexpr int MsgManualUpdate = 10312; // "Manual update is requested"
inline constexpr int MsgExitingProgram = 10313;
inline constexpr int MsgLoggingOff = 10314;
inline constexpr int MsgRestarting = 10315;
inline constexpr int MsgShuttingDown = 10316;
inline constexpr int MsgStandingBy = 10317;
inline constexpr int MsgHibernating = 10318;
inline constexpr int MsgOfflineAsk = 10319; // "Do you really want to do offline update?"
inline constexpr int MsgManualOffline = 10320;
inline constexpr int MsgScheduledOfflineRuns = 10321;
inline constexpr int MsgScheduledOfflineAborted = 10322;
inline constexpr int MsgEnable = 10323;
inline constexpr int MsgDisable = 10324;
inline constexpr int MsgNotApplicable = 10325;
inline constexpr int MsgMinutes = 10326;
inline constexpr int MsgDialUp = 10327;
inline constexpr int MsgLocalAreaNetwork = 10328;
inline constexpr int MsgProxyServer = 10329;
inline constexpr int MsgTotalGroups = 10330; // "Total group(s):"
inline constexpr int MsgNoGroup = 10331;
inline constexpr int MsgOneGroup = 10332;
inline constexpr int MsgGroups = 10333;
inline constexpr int MsgReady = 10334;         // "%s ready..."
inline constexpr int MsgDisabledCount = 10335; // "(%d disabled)"
inline constexpr int MsgTotalHosts = 10336;    // "Total host(s):"
inline constexpr int MsgNoHost = 10337;
inline constexpr int MsgOneHost = 10338;
inline constexpr int MsgHosts = 10339;
inline constexpr int MsgConnectionType = 10340;   // "Connection type:"
inline constexpr int MsgAutomaticUpdate = 10341;  // "Automatic update:"
inline constexpr int MsgCheckingInterval = 10342; // "Checking interval:"
inline constexpr int MsgLastUpdated = 10343;      // "Last updated:"
inline constexpr int MsgNextForceUpdate = 10344;  // "Next force update:"
inline constexpr int MsgCurrentIP = 10345;        // "Current IP:"
inline constexpr int MsgUpdatedIP = 10346;        // "Updated IP:"
inline constexpr int MsgCannotDetectLastUpdate = 10347;
inline constexpr int MsgDay = 10348;
inline constexpr int MsgDays = 10349;
inline constexpr int MsgHour = 10350;
inline constexpr int MsgHours = 10351;
inline constexpr int MsgMinute = 10352;
inline constexpr int MsgSecond = 10353;
inline constexpr int MsgSeconds = 10354;
inline constexpr int MsgAgo = 10355;
inline constexpr int MsgUpdatedColon = 10356; // "Updated:"
inline constexpr int MsgHintUpdating = 10357;
inline constexpr int MsgHintChangingSettings = 10358;
inline constexpr int MsgHintStarting = 10359;
inline constexpr int MsgHintChecking = 10360;
inline constexpr int MsgNoAccount = 10361; // "No account is detected"
inline constexpr int MsgConnectedFrom = 10362;
inline constexpr int MsgConnectedUsing = 10363;
inline constexpr int MsgAddressManual = 10364;
inline constexpr int MsgAddressAutomatic = 10365;
inline constexpr int MsgDumpTitle = 10366;       // "Configuration information for %s"
inline constexpr int MsgNetworkChangeOn = 10660; // "Network change on %s: checking the address now"
inline constexpr int MsgNetworkChange = 10661;   // the same without an interface name
inline constexpr int MsgResumeCheck = 10662;     // "Resume from sleep: checking the address now"

// IPv6 (AAAA records).
inline constexpr int MsgNoIPv6Address = 10700;       // "no IPv6 address"
inline constexpr int MsgIPv6Missing = 10703;         // "No public IPv6 address (%s): ..."
inline constexpr int MsgIPv6Current = 10704;         // "Current IPv6 address: %s"
inline constexpr int MsgIPv6CurrentOn = 10705;       // "Current IPv6 address: %s (%s)"
inline constexpr int MsgIPv6ManualNotPublic = 10706; // why no address: the manual one
inline constexpr int MsgIPv6NoCheckPage = 10707;
inline constexpr int MsgIPv6NoneOnInterface = 10708;
inline constexpr int MsgIPv6NoneOnMachine = 10709;
inline constexpr int MsgIPv6SuffixBad = 10710;
inline constexpr int MsgIPv6SourceUnknown = 10711;
inline constexpr int MsgIPv4LeftOut = 10740; // "No public IPv4 address: only the IPv6 address of %s is sent"
inline constexpr int MsgIPv4NeededByProfile = 10741; // the same for a profile that sends %IP%

// Texts of this program beside the message table.
inline constexpr const char* TextCheckFailed = "The IP address check of %s failed: %s";
inline constexpr const char* TextNoAddressShown = "the page shows no IP address";
inline constexpr const char* TextReloaded = "%s reloaded its settings";

inline constexpr int MsgHostname = 10236; // "Hostname"
inline constexpr int MsgUnknown = 10381;  // "unknown"

} // namespace hostaq
