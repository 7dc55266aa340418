#pragma once

#include "net/WorkerThread.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace hostaq {

class TTCPBlockSocket;

// Lets the main thread give up a mail that is under way (the settings dialog closing during a
// test mail): the connection is aborted and no further event of that mail runs. Use it on the
// main thread only; it stays valid after the worker has ended.
class TSmtpCancel {
public:
    void Abort();
    bool Aborted() const { return aborted_.load(); }

private:
    friend class TVemoSmtp;
    void Attach(TTCPBlockSocket* socket);
    std::mutex mutex_;
    TTCPBlockSocket* socket_ = nullptr;
    std::atomic<bool> aborted_{false};
};

// One mail, sent on a worker thread of its own. The main thread creates it with new, fills in
// the fields and the events and calls SendMail(), which builds the message and starts the
// thread; from then on only the events touch it, and it frees itself when it ends.
//
// The dialogue: connect (TLS at once when FullSSL), greeting, EHLO or HELO, authentication when
// a user name or password is set, MAIL FROM, one RCPT TO per envelope entry, DATA, QUIT. Every
// event runs on the main thread while the worker waits.
class TVemoSmtp : public TWorkerThread {
public:
    enum TStage { StageNone = 0, StageLogin = 1, StageSender = 2, StageRecipients = 3, StageData = 4 };

    // "server:port"; the port is optional (25).
    std::string Host;
    std::string UserName;
    std::string Password;
    std::string From;
    std::string Recipients; // the To list, entries separated by "," or ";"
    std::string CC;
    std::string BCC;
    std::string Subject;
    std::string ReplyTo;
    std::string InReplyTo;
    std::string XMailer;
    std::vector<std::string> Body;        // text lines
    std::vector<std::string> Attachments; // file names
    bool FullSSL = false;
    bool AutoTLS = false;
    bool VerifyCertificate = true;
    // Greeting name; empty means the machine's host name.
    std::string SystemName;
    // Limit for every reply line, and for the replies to DATA and to the end of the data (ms).
    int Timeout = 60000;
    int ResultTimeout = 9000;

    // Progress, readable from the events.
    int Stage = StageNone;
    int ResultCode = 0;     // 0 when the mail was accepted
    std::string ResultText; // the server's text, empty after a socket failure
    int Percent = 0;

    std::function<void(TVemoSmtp& sender, int stage, const std::string& text, int code)> OnStatus;
    std::function<void(TVemoSmtp& sender, int code, const std::string& text)> OnDone;
    std::function<void(TVemoSmtp& sender, int percent)> OnProgress;

    // The handle that aborts this mail; take it before SendMail().
    std::shared_ptr<TSmtpCancel> Cancel() const { return cancel_; }

    // Builds the message (main thread) and starts the worker. After the call the object belongs
    // to its thread.
    void SendMail();

    // The lines of the message SendMail() built, for tests of the message alone.
    const std::vector<std::string>& MessageLines() const { return message_; }
    // Builds the message without sending it.
    void BuildMessage();

protected:
    void Execute() override;

private:
    void Status(const std::string& text, int code);
    void Done(int code, const std::string& text);
    void Progress(int percent);
    // The reply text without its code, never holding the password.
    std::string ReplyText(const std::string& line) const;

    std::vector<std::string> message_;
    std::vector<std::string> envelope_;
    std::shared_ptr<TSmtpCancel> cancel_ = std::make_shared<TSmtpCancel>();
};

} // namespace hostaq
