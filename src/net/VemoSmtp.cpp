#include "net/VemoSmtp.h"

#include "config/Clock.h"
#include "net/MainThread.h"
#include "net/MimeAddress.h"
#include "net/MimeMess.h"
#include "net/NetErrors.h"
#include "net/SmtpSend.h"

#include <cmath>

namespace hostaq {

namespace {

// The code given when a reply carries no number: the mail failed, and 0 would read as success.
constexpr int UnreadableReplyCode = 554;
constexpr int SyntaxErrorCode = 501;

std::string Trim(const std::string& s) {
    const char* blanks = " \t\r\n";
    std::size_t b = s.find_first_not_of(blanks);
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

} // namespace

void TSmtpCancel::Abort() {
    std::lock_guard lock(mutex_);
    aborted_ = true;
    if (socket_)
        socket_->StopFlag = true;
}

void TSmtpCancel::Attach(TTCPBlockSocket* socket) {
    std::lock_guard lock(mutex_);
    socket_ = socket;
    if (socket_ && aborted_)
        socket_->StopFlag = true;
}

void TVemoSmtp::BuildMessage() {
    TMimeMess mess;
    mess.From = From;
    mess.ReplyTo = ReplyTo;
    mess.Subject = Subject;
    mess.ToList = SplitMailList(Recipients);
    mess.CCList = SplitMailList(CC);
    mess.Date = Now();
    mess.XMailer = XMailer;
    mess.InReplyTo = InReplyTo;
    mess.Body = Body;
    mess.Attachments = Attachments;
    std::string error;
    if (mess.EncodeMessage(&error))
        message_ = std::move(mess.Lines);
    else
        message_.clear();
    envelope_ = BuildEnvelope(Recipients, CC, BCC);
}

void TVemoSmtp::SendMail() {
    BuildMessage();
    Start();
}

std::string TVemoSmtp::ReplyText(const std::string& line) const {
    std::string text = Trim(line.size() > 4 ? line.substr(4) : std::string());
    if (!Password.empty()) {
        for (std::size_t at = text.find(Password); at != std::string::npos; at = text.find(Password, at + 3))
            text.replace(at, Password.size(), "***");
    }
    return text;
}

void TVemoSmtp::Status(const std::string& text, int code) {
    if (!OnStatus)
        return;
    Synchronize([this, text, code] {
        if (!cancel_->Aborted())
            OnStatus(*this, Stage, text, code);
    });
}

void TVemoSmtp::Done(int code, const std::string& text) {
    ResultCode = code;
    ResultText = text;
    if (!OnDone)
        return;
    Synchronize([this, code, text] {
        if (!cancel_->Aborted())
            OnDone(*this, code, text);
    });
}

void TVemoSmtp::Progress(int percent) {
    Percent = percent;
    if (!OnProgress)
        return;
    Synchronize([this, percent] {
        if (!cancel_->Aborted())
            OnProgress(*this, percent);
    });
}

void TVemoSmtp::Execute() {
    std::string server = Host;
    std::string port;
    if (const std::size_t colon = Host.find(':'); colon != std::string::npos) {
        server = Host.substr(0, colon);
        port = Trim(Host.substr(colon + 1));
    }
    server = Trim(server);
    bool anyRecipient = false;
    for (const std::string& entry : envelope_)
        anyRecipient = anyRecipient || !GetEmailAddr(entry).empty();
    if (server.empty() || GetEmailAddr(From).empty() || !anyRecipient || message_.empty()) {
        const std::string text = GetNetErrorDesc(SyntaxErrorCode);
        Status(text, SyntaxErrorCode);
        Done(SyntaxErrorCode, text);
        return;
    }

    TSMTPSend smtp;
    if (!SystemName.empty())
        smtp.SystemName = SystemName;
    smtp.TargetHost = server;
    if (!port.empty())
        smtp.TargetPort = port;
    smtp.Timeout = Timeout;
    smtp.UserName = UserName;
    smtp.Password = Password;
    smtp.FullSSL = FullSSL;
    smtp.AutoTLS = AutoTLS;
    smtp.Sock.VerifyCertificate = VerifyCertificate;
    // The whole mail, from the connect to QUIT, ends within the mail's deadline.
    smtp.Sock.SetDeadline(MailDeadlineMs);
    cancel_->Attach(&smtp.Sock);
    struct TDetach {
        TSmtpCancel& Cancel;
        ~TDetach() { Cancel.Attach(nullptr); }
    } detach{*cancel_};

    // Ends the mail with the failure of the last step: the socket's error, or the server's reply.
    auto fail = [&](bool quit) {
        int code = smtp.Sock.LastError();
        std::string text;
        if (code != 0) {
            // Only a known reason (a certificate problem, say) is worth a text of its own.
            const std::string desc = smtp.Sock.LastErrorDesc();
            if (desc != GetNetErrorDesc(code))
                text = desc;
            quit = false;
        } else {
            code = smtp.ResultCode != 0 ? smtp.ResultCode : UnreadableReplyCode;
            text = ReplyText(smtp.ResultString);
            if (smtp.ResultCode == 0)
                text = Trim(smtp.ResultString);
        }
        Status(text, code);
        if (quit)
            smtp.Logout();
        Done(code, text);
    };

    Stage = StageLogin;
    Status({}, 0);
    if (!smtp.Login())
        return fail(false);

    std::size_t size = 0;
    for (const std::string& line : message_)
        size += line.size() + 2;
    Stage = StageSender;
    Status({}, 0);
    if (!smtp.MailFrom(GetEmailAddr(From), size))
        return fail(false);

    Stage = StageRecipients;
    Status({}, 0);
    for (const std::string& entry : envelope_) {
        const std::string address = GetEmailAddr(entry);
        if (!address.empty() && !smtp.MailTo(address))
            return fail(true);
    }

    Stage = StageData;
    Status({}, 0);
    int shown = -1;
    const bool sent = smtp.MailData(message_, ResultTimeout, [&](std::size_t done, std::size_t total) {
        const int percent = total == 0 ? 100 : static_cast<int>(std::lround(100.0 * done / total));
        if (percent != shown) {
            shown = percent;
            Progress(percent);
        }
    });
    if (!sent)
        return fail(true);

    Done(0, ReplyText(smtp.ResultString));
    smtp.Logout();
}

} // namespace hostaq
