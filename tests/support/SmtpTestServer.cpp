#include "SmtpTestServer.h"

#include <chrono>
#include <openssl/evp.h>
#include <openssl/hmac.h>

namespace hostaq::test {

namespace {

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return Upper(text).rfind(Upper(prefix), 0) == 0;
}

// Base64 through OpenSSL, so the server does not share the encoder of the client it checks.
std::string Base64(const std::string& data) {
    std::string out(4 * ((data.size() + 2) / 3) + 1, '\0');
    int n =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                        reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::string Unbase64(const std::string& text) {
    if (text.empty() || text.size() % 4 != 0)
        return "<invalid base64>";
    std::string out(text.size(), '\0');
    int n =
        EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                        reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    if (n < 0)
        return "<invalid base64>";
    std::size_t pad = 0;
    for (std::size_t i = text.size(); i > 0 && text[i - 1] == '='; --i)
        ++pad;
    out.resize(static_cast<std::size_t>(n) - pad);
    return out;
}

std::string CramDigest(const std::string& key, const std::string& challenge) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(EVP_md5(), key.data(), static_cast<int>(key.size()),
         reinterpret_cast<const unsigned char*>(challenge.data()), challenge.size(), digest, &length);
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < length; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 15];
    }
    return out;
}

} // namespace

// Line reading and replies on top of one connection.
class TSmtpTestServer::TLines {
public:
    explicit TLines(TServerConnection& conn) : conn_(conn) {}
    bool ReadLine(std::string& line) {
        if (!conn_.ReadUntil(buffer_, "\n"))
            return false;
        const std::size_t lf = buffer_.find('\n');
        line = buffer_.substr(0, lf);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        buffer_.erase(0, lf + 1);
        return true;
    }
    bool Send(const std::string& reply) { return conn_.Write(reply + "\r\n"); }

private:
    TServerConnection& conn_;
    std::string buffer_;
};

TSmtpTestServer::TSmtpTestServer(TSmtpScript script) : script_(std::move(script)) {
    SSL_CTX* tls = script_.TlsCert ? MakeServerContext(*script_.TlsCert) : nullptr;
    server_ = std::make_unique<TLoopbackServer>([this](TServerConnection& conn) { Session(conn); }, tls);
    if (tls)
        SSL_CTX_free(tls);
}

TSmtpTestServer::~TSmtpTestServer() {
    server_.reset();
}

void TSmtpTestServer::Record(const std::string& line, bool data) {
    std::lock_guard lock(mutex_);
    (data ? dataLines_ : commands_).push_back(line);
}

bool TSmtpTestServer::Authenticate(TLines& conn, const std::string& command) {
    const std::string mechanism = Upper(command.substr(5));
    std::string user;
    bool ok = false;
    std::string line;
    if (mechanism == "LOGIN") {
        if (!conn.Send("334 VXNlcm5hbWU6") || !conn.ReadLine(line))
            return false;
        Record(line, false);
        user = Unbase64(line);
        if (!conn.Send("334 UGFzc3dvcmQ6") || !conn.ReadLine(line))
            return false;
        Record(line, false);
        ok = user == script_.User && Unbase64(line) == script_.Password;
    } else if (mechanism.rfind("PLAIN", 0) == 0) {
        std::string blob = command.size() > 11 ? command.substr(11) : std::string();
        if (blob.empty()) {
            if (!conn.Send("334 ") || !conn.ReadLine(blob))
                return false;
            Record(blob, false);
        }
        user = script_.User;
        ok = Unbase64(blob) == std::string(1, '\0') + script_.User + std::string(1, '\0') + script_.Password;
    } else if (mechanism == "CRAM-MD5") {
        if (!conn.Send("334 " + Base64(script_.CramChallenge)) || !conn.ReadLine(line))
            return false;
        Record(line, false);
        const std::string answer = Unbase64(line);
        const std::size_t blank = answer.rfind(' ');
        user = answer.substr(0, blank == std::string::npos ? 0 : blank);
        ok = user == script_.User && blank != std::string::npos &&
             answer.substr(blank + 1) == CramDigest(script_.Password, script_.CramChallenge);
    } else {
        return conn.Send("504 5.5.4 Unrecognized authentication type");
    }
    if (ok) {
        std::lock_guard lock(mutex_);
        authUser_ = user;
    }
    return conn.Send(ok ? "235 2.7.0 Authentication successful"
                        : "535 5.7.8 Authentication credentials invalid");
}

void TSmtpTestServer::Session(TServerConnection& connection) {
    TLines conn(connection);
    [&] {
        if (!conn.Send(script_.Greeting))
            return;
        std::string line;
        while (conn.ReadLine(line)) {
            Record(line, false);
            const std::string command = Upper(line);
            std::string reply;
            bool overridden = false;
            for (const auto& [prefix, answer] : script_.Overrides) {
                if (StartsWith(line, prefix)) {
                    reply = answer;
                    overridden = true;
                    break;
                }
            }
            if (overridden && reply.empty())
                continue;
            if (!overridden) {
                if (StartsWith(line, "EHLO "))
                    reply = script_.EhloReply;
                else if (StartsWith(line, "HELO "))
                    reply = script_.HeloReply;
                else if (StartsWith(line, "AUTH ")) {
                    if (!Authenticate(conn, line))
                        return;
                    continue;
                } else if (StartsWith(line, "MAIL FROM:"))
                    reply = "250 2.1.0 Ok";
                else if (StartsWith(line, "RCPT TO:"))
                    reply = "250 2.1.5 Ok";
                else if (command == "DATA")
                    reply = script_.DataReply;
                else if (command == "QUIT")
                    reply = "221 2.0.0 Bye";
                else if (command == "RSET" || command == "NOOP")
                    reply = "250 2.0.0 Ok";
                else
                    reply = "500 5.5.2 Error: command not recognized";
            }
            if (!conn.Send(reply) || command == "QUIT")
                return;
            if (command == "DATA" && reply.rfind("354", 0) == 0) {
                bool ended = false;
                while (!ended && conn.ReadLine(line)) {
                    ended = line == ".";
                    if (!ended)
                        Record(line, true);
                }
                if (!ended || !conn.Send(script_.DataEndReply))
                    return;
            }
        }
    }();
    std::lock_guard lock(mutex_);
    ++sessionsEnded_;
    changed_.notify_all();
}

std::vector<std::string> TSmtpTestServer::Commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
}

std::vector<std::string> TSmtpTestServer::DataLines() const {
    std::lock_guard lock(mutex_);
    return dataLines_;
}

std::string TSmtpTestServer::AuthenticatedUser() const {
    std::lock_guard lock(mutex_);
    return authUser_;
}

bool TSmtpTestServer::WaitSessions(int count, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return sessionsEnded_ >= count; });
}

} // namespace hostaq::test
