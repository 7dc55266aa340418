#pragma once

// Identifiers of the group editor's captions and those of its prompts in the message table (the
// later range). The host list's Add button shares the wizard's text.

namespace hostaq {

inline constexpr int MsgEdHostnamesGroup = 10757;
inline constexpr int MsgEdProperties = 10758;
inline constexpr int MsgEdPageProvider = 10759;
inline constexpr int MsgEdPageOptions = 10760;
inline constexpr int MsgEdLogin = 10761;
inline constexpr int MsgEdHosts = 10762;
inline constexpr int MsgEdDownload = 10763;
inline constexpr int MsgEdDownloadTip = 10764;
inline constexpr int MsgEdWildcard = 10765;
inline constexpr int MsgEdBackupMX = 10766;
inline constexpr int MsgEdSecure = 10767;
inline constexpr int MsgEdMailExchanger = 10768;
inline constexpr int MsgEdGroup = 10769;
inline constexpr int MsgEdBrowseTip = 10770;
inline constexpr int MsgEdEdit = 10771;
inline constexpr int MsgEdEditTip = 10772;
inline constexpr int MsgEdProvider = 10773;
inline constexpr int MsgEdProfile = 10774;
inline constexpr int MsgEdProfileTitle = 10775;
inline constexpr int MsgEdAllFiles = 10776;
inline constexpr int MsgEdProfileMissing = 10777;
inline constexpr int MsgEdEditorFailed = 10778;
inline constexpr int MsgEdEditHost = 10779;
inline constexpr int MsgEdDeleteHost = 10780;
inline constexpr int MsgEdSelectAll = 10781;
inline constexpr int MsgEdUnselectAll = 10782;
inline constexpr int MsgEdRightClick = 10783;
inline constexpr int MsgEdNewGroup = 10784;
inline constexpr int MsgEdAskQuestion = 10785;
inline constexpr int MsgEdAskPurpose = 10786;
inline constexpr int MsgEdAskFreedom = 10787;
inline constexpr int MsgEdHostname = 10788;
inline constexpr int MsgEdSystem = 10789;
inline constexpr int MsgEdHostnameEmpty = 10790;
inline constexpr int MsgEdSystemColumn = 10791;
inline constexpr int MsgEdResultColumn = 10792;
// Texts of the first range the editor shares.
inline constexpr int MsgHostnameCaption = 10236;
inline constexpr int MsgGroupNameCaption = 10045;

} // namespace hostaq
