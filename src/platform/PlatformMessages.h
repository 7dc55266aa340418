#pragma once

namespace hostaq {

// Messages of the service switches, the dialer, and the software update check.
inline constexpr int MsgServiceDescription = 10423;
inline constexpr int MsgStartedAsService = 10425;
inline constexpr int MsgServiceInstalled = 10390;
inline constexpr int MsgServiceInstallError = 10391;
inline constexpr int MsgServiceUninstalled = 10392;
inline constexpr int MsgServiceUninstallError = 10393;
inline constexpr int MsgRunningAsService = 10394;
inline constexpr int MsgServiceNeedsRoot = 10395;
// A configuration the service cannot run on: "... for %s: %s.", and why.
inline constexpr int MsgServiceConfigRefused = 10130;
inline constexpr int MsgServiceFolderUnsafe = 10131;
inline constexpr int MsgServiceFileUnsafe = 10132;
inline constexpr int MsgServiceUnquotable = 10133;
inline constexpr int MsgServiceCannotExamine = 10134;

inline constexpr int MsgDialerState = 10396;
inline constexpr int MsgStartDialing = 10397;
inline constexpr int MsgDialerError = 10398;
inline constexpr int MsgErrorWhenDialing = 10399;
inline constexpr int MsgEntryConnected = 10400;
inline constexpr int MsgConnectionInformation = 10401;
inline constexpr int MsgDeviceType = 10402;
inline constexpr int MsgDeviceName = 10403;
inline constexpr int MsgServerAddress = 10404;
inline constexpr int MsgClientAddress = 10405;
inline constexpr int MsgDialingFinished = 10406;
inline constexpr int MsgEntryDisconnected = 10407;
inline constexpr int MsgDialCanceled = 10408;
inline constexpr int MsgRedialScheduled = 10409;

inline constexpr int MsgNewVersionDownload = 10410;
inline constexpr int MsgNewVersionWebsite = 10411;
inline constexpr int MsgLatestVersion = 10412;
inline constexpr int MsgSoftwareUpdate = 10413;
inline constexpr int MsgUnknownVersion = 10414;

inline constexpr int MsgNetworkNotWatched = 10663; // "Network changes are not watched: %s"

} // namespace hostaq
