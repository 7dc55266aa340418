#pragma once

// Identifiers of the texts the windows of the tray program show (the message table).

namespace hostaq {

inline constexpr int MsgPageInfo = 10155;
inline constexpr int MsgGroupGeneralInfo = 10156;
inline constexpr int MsgSettingsCmd = 10157;
inline constexpr int MsgForceUpdateCmd = 10158;
inline constexpr int MsgPageOptions = 10159;
inline constexpr int MsgGroupGeneralOptions = 10160;
inline constexpr int MsgStartWithWindows = 10161;
inline constexpr int MsgNoExitConfirmation = 10162;
inline constexpr int MsgNoBeep = 10163;
inline constexpr int MsgEnableAutoUpdate = 10164;
inline constexpr int MsgForceUpdateWithin = 10165;
inline constexpr int MsgInstallService = 10166;
inline constexpr int MsgUninstallService = 10167;
inline constexpr int MsgDisplayWindowNote = 10168;
inline constexpr int MsgDisplayWindowCmd = 10169;
inline constexpr int MsgPageOffline = 10170;
inline constexpr int MsgGroupOffline = 10171;
inline constexpr int MsgOfflineURL = 10172;
inline constexpr int MsgBackupIP = 10173;
inline constexpr int MsgAfterOffline = 10174;
inline constexpr int MsgForceToExecute = 10175;
inline constexpr int MsgDisconnect = 10176;
inline constexpr int MsgScheduleOffline = 10177;
inline constexpr int MsgOfflineNowCmd = 10178;
inline constexpr int MsgAfterDisableAuto = 10179;
inline constexpr int MsgAfterExit = 10180;
inline constexpr int MsgAfterLogOff = 10181;
inline constexpr int MsgAfterRestart = 10182;
inline constexpr int MsgAfterShutDown = 10183;
inline constexpr int MsgAfterSuspend = 10184;
inline constexpr int MsgAfterHibernate = 10185;
inline constexpr int MsgOfflineDonorNote = 10186;
inline constexpr int MsgPageLog = 10187;
inline constexpr int MsgShowLogFile = 10188;
inline constexpr int MsgClearLog = 10189;
inline constexpr int MsgCancelDial = 10190;
inline constexpr int MsgDumpConfig = 10191;
inline constexpr int MsgOkCmd = 10192;
inline constexpr int MsgHelpCmd = 10193;
inline constexpr int MsgAboutCmd = 10194;
inline constexpr int MsgShowMainWindow = 10195;
inline constexpr int MsgHideMainWindow = 10196;
inline constexpr int MsgUpdateNow = 10197;
inline constexpr int MsgExitCmd = 10198;
inline constexpr int MsgUndock = 10199;
inline constexpr int MsgDock = 10201;
inline constexpr int MsgExitAsk = 10202;
inline constexpr int MsgDoNotAskAgain = 10203;
inline constexpr int MsgLogWindowCaption = 10204;
inline constexpr int MsgCountdownTitle = 10205;
inline constexpr int MsgCountdownScheduled = 10206;
inline constexpr int MsgCountdownWithin = 10207;
inline constexpr int MsgCountdownClosing = 10208;
inline constexpr int MsgAbortCmd = 10261;
inline constexpr int MsgDoNowCmd = 10262;
inline constexpr int MsgDisplayWindowTitle = 10263;
inline constexpr int MsgDisplayWindowGroup = 10264;
inline constexpr int MsgDisplayNeedsPassword = 10265;
inline constexpr int MsgPasswordLabel = 10266;
inline constexpr int MsgConfirmLabel = 10267;
inline constexpr int MsgSingleClick = 10268;
inline constexpr int MsgHotKeyLabel = 10269;
inline constexpr int MsgHideTrayIcon = 10270;
inline constexpr int MsgEnterYourPassword = 10271;
inline constexpr int MsgConfirmYourPassword = 10272;
inline constexpr int MsgEnterPasswordTitle = 10273;
inline constexpr int MsgEnterPasswordPrompt = 10274;
inline constexpr int MsgAboutTitle = 10275;
inline constexpr int MsgBetaName = 10276;
inline constexpr int MsgVersionLine = 10277;
inline constexpr int MsgCheckNewerVersion = 10278;
inline constexpr int MsgAboutDescription = 10279;
inline constexpr int MsgOk = 10292;
inline constexpr int MsgCancel = 10293;
inline constexpr int MsgYes = 10294;
inline constexpr int MsgNo = 10295;
inline constexpr int MsgTextFileFilter = 10296;
inline constexpr int MsgElevationRefused = 10297;
inline constexpr int MsgNoNotificationArea = 10298;
inline constexpr int MsgHotKeyFailed = 10299;

} // namespace hostaq
