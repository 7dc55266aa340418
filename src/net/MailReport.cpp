#include "net/MailReport.h"

#include "config/ConfigKeys.h"
#include "config/ConfigPath.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/Scramble.h"
#include "config/Text.h"
#include "config/Version.h"
#include "log/DateFormat.h"
#include "log/Log.h"
#include "net/MailTemplate.h"
#include "net/MimeMess.h"
#include "net/NetErrors.h"
#include "net/SmtpMessages.h"
#include "net/VemoSmtp.h"

#include <unistd.h>

namespace hostaq {

namespace {

constexpr const char* CrLf = "\r\n";

std::string Trim(const std::string& s) {
    const char* blanks = " \t\r\n";
    std::size_t b = s.find_first_not_of(blanks);
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

std::string ReportDate(const TDateTime& when) {
    return FormatDateTime(ReadString(Keys::DateFormat), when);
}
std::string ReportTime(const TDateTime& when) {
    return FormatDateTime(ReadString(Keys::TimeFormat), when);
}

std::string MachineName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

std::string MailSubject(const std::string& subject, const std::string& currentIP,
                        const std::string& updatedIP) {
    return Trim(ExpandMailTemplate(FormatText("[%s] %s", {AppTitle, subject}), currentIP, updatedIP));
}

} // namespace

std::string ReportStartText(const TDateTime& when, const std::string& updatedIP, const std::string& currentIP,
                            bool manual, const std::string& updatedIP6, const std::string& currentIP6) {
    std::string text = FormatMsg(MsgReportStarts, {ReportDate(when), ReportTime(when), CrLf});
    text += FormatMsg(MsgReportAddress,
                      {updatedIP, currentIP, Msg(manual ? MsgReportModeManual : MsgReportModeAutomatic)});
    if (!currentIP6.empty())
        text += CrLf + FormatMsg(MsgReportAddress6, {updatedIP6, currentIP6});
    text += CrLf + Msg(MsgReportResults) + CrLf + CrLf + CrLf;
    return text;
}

std::string ReportEndText(const TDateTime& when) {
    return std::string(CrLf) + CrLf + FormatMsg(MsgReportEnds, {ReportDate(when), ReportTime(when)}) + CrLf +
           CrLf + "-- " + CrLf + BuildUserAgent();
}

std::string MailErrorText(int code, const std::string& text) {
    return FormatMsg(MsgMailError, {std::to_string(code), text.empty() ? GetNetErrorDesc(code) : text});
}

std::shared_ptr<TSmtpCancel> SendReportMail(const std::string& reportText, const std::string& currentIP,
                                            const std::string& updatedIP,
                                            std::function<void(int code)> onFinished) {
    auto* mail = new TVemoSmtp;
    mail->Body = SplitMailLines(reportText);
    mail->XMailer = BuildUserAgent();
    mail->FullSSL = ReadBool(Keys::SmtpUseSSL);
    mail->VerifyCertificate = ReadBool(Keys::VerifyCertificate);
    mail->Host = ReadString(Keys::SMTPHost) + ":" + ReadString(Keys::SMTPPort);
    mail->From = ReadString(Keys::MailFrom, PlaceholderSender);
    mail->Recipients = ReadString(Keys::MailRcpt);
    mail->Subject = MailSubject(ReadString(Keys::MailSubject, DefaultMailSubject), currentIP, updatedIP);
    if (ReadBool(Keys::SmtpAuth)) {
        mail->UserName = ReadString(Keys::SMTPUser);
        mail->Password = ReadPassword(Keys::SMTPPass);
    }
    mail->OnDone = [onFinished = std::move(onFinished)](TVemoSmtp&, int code, const std::string& text) {
        if (code != 0) {
            // The server's answer is bounded like every text from the network.
            AddLog(LogError, MailErrorText(code, CleanText(text, MaxLoggedNetworkText)));
            WriteBool(Keys::MailSent, false);
        } else {
            AddLog(LogNormal, Msg(MsgMailSent));
            WriteBool(Keys::MailSent, true);
        }
        if (onFinished)
            onFinished(code);
    };
    std::shared_ptr<TSmtpCancel> cancel = mail->Cancel();
    mail->SendMail();
    return cancel;
}

std::string TestMailBody() {
    return FormatMsg(MsgTestMailBody, {BuildUserAgent()}) + CrLf + CrLf + "-- " + CrLf + BuildUserAgent();
}

std::shared_ptr<TSmtpCancel> SendTestMail(const TMailSettings& settings, const std::string& currentIP,
                                          std::function<void(int code, const std::string& message)> onDone) {
    auto* mail = new TVemoSmtp;
    mail->Body = SplitMailLines(TestMailBody());
    mail->XMailer = BuildUserAgent();
    mail->SystemName = settings.LocalHost;
    mail->Host = settings.Host + ":" + settings.Port;
    mail->FullSSL = settings.UseSSL;
    mail->VerifyCertificate = ReadBool(Keys::VerifyCertificate);
    mail->From = settings.From;
    mail->Recipients = settings.Recipients;
    mail->Subject = MailSubject(settings.Subject, currentIP, currentIP);
    if (settings.Auth) {
        mail->UserName = settings.UserName;
        mail->Password = settings.Password;
    }
    mail->OnDone = [onDone = std::move(onDone)](TVemoSmtp&, int code, const std::string& text) {
        if (onDone)
            onDone(code, code == 0 ? Msg(MsgTestMailSent) : MailErrorText(code, text));
    };
    std::shared_ptr<TSmtpCancel> cancel = mail->Cancel();
    mail->SendMail();
    return cancel;
}

TMailSettings LoadMailSettings() {
    TMailSettings s;
    s.Recipients = ReadString(Keys::MailRcpt);
    s.From = ReadString(Keys::MailFrom, PlaceholderSender);
    s.Subject = ReadString(Keys::MailSubject, DefaultMailSubject);
    s.Host = ReadString(Keys::SMTPHost);
    s.Port = ReadString(Keys::SMTPPort);
    s.UseSSL = ReadBool(Keys::SmtpUseSSL);
    s.Auth = ReadBool(Keys::SmtpAuth);
    s.UserName = ReadString(Keys::SMTPUser);
    s.Password = ReadPassword(Keys::SMTPPass);
    s.LocalHost = ReadString(Keys::SMTPLocalHost, MachineName());
    return s;
}

bool SaveMailSettings(const TMailSettings& s) {
    return IniUpdate(ConfigPath(), [&s](TIniDocument& doc) {
        auto put = [&doc](const TConfigKey& key, const std::string& value) {
            doc.WriteString(key.Section, key.Key, value);
        };
        put(Keys::MailRcpt, s.Recipients);
        put(Keys::MailFrom, s.From);
        put(Keys::MailSubject, s.Subject);
        put(Keys::SMTPHost, s.Host);
        put(Keys::SMTPPort, s.Port);
        doc.WriteBool(Keys::SmtpUseSSL.Section, Keys::SmtpUseSSL.Key, s.UseSSL);
        doc.WriteBool(Keys::SmtpAuth.Section, Keys::SmtpAuth.Key, s.Auth);
        put(Keys::SMTPUser, s.UserName);
        if (!s.Password.empty())
            put(Keys::SMTPPass, ScramblePassword(s.Password));
        put(Keys::SMTPLocalHost, s.LocalHost);
        return true;
    });
}

TMailValidation ValidateMailSettings(const TMailSettings& settings, const std::string& confirm) {
    TMailValidation v;
    if (!settings.Auth)
        return v;
    if (settings.UserName.empty()) {
        v.Field = TMailValidation::UserName;
        v.Message = Msg(MsgMailNeedsUser);
    } else if (settings.Password.empty()) {
        v.Field = TMailValidation::Password;
        v.Message = Msg(MsgMailNeedsPass);
    } else if (confirm.empty()) {
        v.Field = TMailValidation::Confirm;
        v.Message = Msg(MsgRetypePassword);
    } else if (confirm != settings.Password) {
        v.Field = TMailValidation::Confirm;
        v.Message = Msg(MsgPasswordDiffers);
        v.ClearConfirm = true;
    }
    return v;
}

} // namespace hostaq
