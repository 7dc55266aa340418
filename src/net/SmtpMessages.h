#pragma once

// Message identifiers of the mail notification (texts in config/Messages.txt).
namespace hostaq {

inline constexpr int MsgMailError = 10280;           // "Error sending email: %s (%s)."
inline constexpr int MsgMailSent = 10281;            // "Update result successfully mailed"
inline constexpr int MsgTestMailSent = 10282;        // "Test mail was sent successfully."
inline constexpr int MsgReportStarts = 10283;        // "Update process starts on %s at %s%s"
inline constexpr int MsgReportAddress = 10284;       // "IP address: %s > %s [%s]"
inline constexpr int MsgReportResults = 10285;       // "Update Result(s):"
inline constexpr int MsgReportAddress6 = 10702;      // "IPv6 address: %s > %s"
inline constexpr int MsgReportEnds = 10286;          // "Update process ends on %s at %s"
inline constexpr int MsgTestMailBody = 10287;        // "%s Email Test"
inline constexpr int MsgMailNeedsUser = 10288;       // "Username is needed."
inline constexpr int MsgMailNeedsPass = 10289;       // "Password is needed."
inline constexpr int MsgMailInterrupt = 10290;       // "%s is in process sending testing email. ..."
inline constexpr int MsgEmailSettings = 10291;       // "Email Settings"
inline constexpr int MsgReportModeAutomatic = 10245; // "automatic"
inline constexpr int MsgReportModeManual = 10246;    // "manual"
inline constexpr int MsgRetypePassword = 10101;      // "Please retype your password."
inline constexpr int MsgPasswordDiffers = 10102;     // "The password you entered is different."

} // namespace hostaq
