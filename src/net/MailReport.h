#pragma once

#include "config/DateTime.h"

#include <functional>
#include <memory>
#include <string>

namespace hostaq {

class TSmtpCancel;

// The subject the report mail uses when Options/MailSubject is not set.
inline constexpr const char* DefaultMailSubject = "Update Result";

// The head of the update report: "Update process starts on <date> at <time>", "IP address:
// <updated> > <current> [automatic|manual]", "Update Result(s):" and two empty lines; date and
// time in the Options/DateFormat and TimeFormat patterns.
// When a group keeps AAAA records (currentIP6 not empty) a line "IPv6 address: %s > %s" follows
// the address line.
std::string ReportStartText(const TDateTime& when, const std::string& updatedIP, const std::string& currentIP,
                            bool manual, const std::string& updatedIP6 = {},
                            const std::string& currentIP6 = {});
// The tail: two line ends, "Update process ends on <date> at <time>", an empty line and the
// signature ("-- " and the program's user agent).
std::string ReportEndText(const TDateTime& when);

// Mails the report text as the mail settings of the configuration file say (main thread). The
// caller decides that a mail is due (Options/SendMail on and the report holding results). The
// outcome is logged ("Update result successfully mailed", or "Error sending email: code (text)."
// as an error) and stored in Options/MailSent; then onFinished runs with the code (0 = sent).
// Returns the handle that aborts the mail.
std::shared_ptr<TSmtpCancel> SendReportMail(const std::string& reportText, const std::string& currentIP,
                                            const std::string& updatedIP,
                                            std::function<void(int code)> onFinished = {});

// The fields of the e-mail settings dialog.
struct TMailSettings {
    std::string Recipients;
    std::string From;
    std::string Subject;
    std::string Host;
    std::string Port;
    bool UseSSL = false;
    bool Auth = false;
    std::string UserName;
    std::string Password;
    std::string LocalHost; // greeting name
};

// The stored settings, with their defaults (the password unscrambled).
TMailSettings LoadMailSettings();
// Writes every key at once; the password only when it is not empty, so an empty field keeps the
// stored one. False when the file could not be written.
bool SaveMailSettings(const TMailSettings& settings);

// The check before the dialog saves: with authentication on, the user name, the password and its
// confirmation must be given and agree. Field names which control wants the focus.
struct TMailValidation {
    enum TField { None, UserName, Password, Confirm };
    TField Field = None;
    std::string Message;
    bool ClearConfirm = false; // the two passwords differ: the confirmation is cleared
    bool Ok() const { return Field == None; }
};
TMailValidation ValidateMailSettings(const TMailSettings& settings, const std::string& confirm);

// Sends the test mail with the dialog's fields (not the stored ones). currentIP fills both
// address placeholders of the subject. onDone runs on the main thread with the code and the text
// the dialog shows: "Test mail was sent successfully." or "Error sending email: code (text).".
std::shared_ptr<TSmtpCancel> SendTestMail(const TMailSettings& settings, const std::string& currentIP,
                                          std::function<void(int code, const std::string& message)> onDone);

// The body of the test mail.
std::string TestMailBody();

// "Error sending email: code (text).", with the table text of the code when text is empty.
std::string MailErrorText(int code, const std::string& text);

} // namespace hostaq
