#pragma once

// Identifiers of the setup wizard's step texts and buttons in the message table (the later range).

namespace hostaq {

inline constexpr int MsgWizBack = 10550;
inline constexpr int MsgWizGroupName = 10551;
inline constexpr int MsgWizGroupNameText = 10552;
inline constexpr int MsgWizUserName = 10553;
inline constexpr int MsgWizPassword = 10554;
inline constexpr int MsgWizConfirm = 10555;
inline constexpr int MsgWizLoginText = 10556;
inline constexpr int MsgWizDownloadYes = 10557;
inline constexpr int MsgWizDownloadNo = 10558;
inline constexpr int MsgWizDownloadText = 10559;
inline constexpr int MsgWizDownloading = 10560;
inline constexpr int MsgWizDialUp = 10561;
inline constexpr int MsgWizLan = 10562;
inline constexpr int MsgWizUseProxy = 10563;
inline constexpr int MsgWizConnectionText = 10564;
inline constexpr int MsgWizNeedDial = 10565;
inline constexpr int MsgWizDetect = 10566;
inline constexpr int MsgWizDetectTip = 10567;
inline constexpr int MsgWizDialEntry = 10568;
inline constexpr int MsgWizDialConfirm = 10569;
inline constexpr int MsgWizProxyHost = 10570;
inline constexpr int MsgWizProxyPort = 10571;
inline constexpr int MsgWizProxyText = 10572;
inline constexpr int MsgWizDetectIP = 10573;
inline constexpr int MsgWizConfigure = 10574;
inline constexpr int MsgWizConfigureTip = 10575;
inline constexpr int MsgWizCompare = 10576;
inline constexpr int MsgWizCompareTip = 10577;
inline constexpr int MsgWizPublicText = 10578;
inline constexpr int MsgWizPublicPage = 10579;
inline constexpr int MsgWizPublicLocal = 10580;
inline constexpr int MsgWizOwnAddresses = 10581;
inline constexpr int MsgWizNoneFound = 10582;
inline constexpr int MsgWizAdd = 10583;
inline constexpr int MsgWizRemove = 10584;
inline constexpr int MsgWizTest = 10585;
inline constexpr int MsgWizTestTip = 10586;
inline constexpr int MsgWizPrivateText = 10587;
inline constexpr int MsgWizHostnamesText = 10588;
inline constexpr int MsgWizAutoUpdate = 10589;
inline constexpr int MsgWizAutoUpdateText = 10590;
inline constexpr int MsgWizStartWhenLogIn = 10591;
inline constexpr int MsgWizStartTip = 10592;
inline constexpr int MsgWizInstallService = 10593;
inline constexpr int MsgWizServiceTip = 10594;
inline constexpr int MsgWizStartText = 10595;
inline constexpr int MsgWizServiceText = 10596;
inline constexpr int MsgWizWelcome = 10597;
inline constexpr int MsgWizWelcomeText = 10598;
inline constexpr int MsgWizWelcomeLogin = 10599;
inline constexpr int MsgWizWelcomeNothingSaved = 10750;
inline constexpr int MsgWizWelcomeContinue = 10751;
inline constexpr int MsgWizCompleting = 10752;
inline constexpr int MsgWizFinishText = 10753;
inline constexpr int MsgWizFinishSaved = 10754;
inline constexpr int MsgWizFinishClose = 10755;
inline constexpr int MsgWizAutostartFailed = 10756;

} // namespace hostaq
