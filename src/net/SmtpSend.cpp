#include "net/SmtpSend.h"

#include "net/Base64.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <unistd.h>

namespace hostaq {

namespace {

// A server that never ends its reply is cut off here.
constexpr std::size_t MaxReplyLines = 1000;
// Outgoing data lines are gathered into blocks of about this size.
constexpr std::size_t SendBlock = 16384;

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && Upper(text.substr(0, prefix.size())) == Upper(prefix);
}

// The words of a capability line, split at blanks and "=".
std::vector<std::string> CapWords(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    for (char c : line + " ") {
        if (c == ' ' || c == '=' || c == '\t') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    return words;
}

bool HasWord(const std::string& line, const std::string& word) {
    const std::vector<std::string> words = CapWords(line);
    return std::find(words.begin(), words.end(), word) != words.end();
}

// A command argument never carries a line end: it could start a command of its own.
std::string NoLineEnds(std::string s) {
    std::replace(s.begin(), s.end(), '\r', ' ');
    std::replace(s.begin(), s.end(), '\n', ' ');
    return s;
}

std::string LocalHostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return "localhost";
    return name;
}

int ParseCode(const std::string& line) {
    if (line.size() < 3)
        return 0;
    int code = 0;
    for (int i = 0; i < 3; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(line[i])))
            return 0;
        code = code * 10 + (line[i] - '0');
    }
    return code;
}

} // namespace

std::string HmacMd5Hex(const std::string& key, const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!HMAC(EVP_md5(), key.data(), static_cast<int>(key.size()),
              reinterpret_cast<const unsigned char*>(text.data()), text.size(), digest, &length))
        return {};
    static constexpr char Digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += Digits[digest[i] >> 4];
        hex += Digits[digest[i] & 15];
    }
    return hex;
}

std::string DecodeBase64Lenient(const std::string& text) {
    std::string out;
    unsigned value = 0;
    int bits = 0;
    for (char c : text) {
        int v;
        if (c >= 'A' && c <= 'Z')
            v = c - 'A';
        else if (c >= 'a' && c <= 'z')
            v = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            v = c - '0' + 52;
        else if (c == '+')
            v = 62;
        else if (c == '/')
            v = 63;
        else if (c == '=')
            break;
        else
            continue;
        value = (value << 6) | static_cast<unsigned>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((value >> bits) & 0xFF);
        }
    }
    return out;
}

TSMTPSend::TSMTPSend() : SystemName(LocalHostName()) {}

std::string TSMTPSend::FindCap(const std::string& prefix) const {
    for (const std::string& cap : ESMTPcap)
        if (StartsWithNoCase(cap, prefix))
            return cap;
    return {};
}

bool TSMTPSend::Command(const std::string& line) {
    return Sock.SendString(NoLineEnds(line) + "\r\n");
}

int TSMTPSend::ReadResult(int timeoutMs) {
    ResultCode = 0;
    ResultString.clear();
    FullResult.clear();
    std::string line;
    do {
        if (FullResult.size() >= MaxReplyLines) {
            Sock.SetError(10040, "the server's reply does not end");
            FullResult.clear();
            return 0;
        }
        if (!Sock.RecvString(line, timeoutMs)) {
            FullResult.clear();
            return 0;
        }
        FullResult.push_back(line);
    } while (line.size() >= 4 && line[3] == '-');
    ResultString = line;
    ResultCode = ParseCode(FullResult.front());
    return ResultCode;
}

bool TSMTPSend::Ehlo() {
    ESMTPcap.clear();
    ESMTPSize = false;
    MaxSize = 0;
    if (!Command("EHLO " + SystemName))
        return false;
    const int code = ReadResult(Timeout);
    if (code >= 250 && code <= 259) {
        ESMTP = true;
        for (std::size_t i = 1; i < FullResult.size(); ++i)
            ESMTPcap.push_back(FullResult[i].size() > 4 ? FullResult[i].substr(4) : std::string());
        return true;
    }
    if (code == 0)
        return false;
    ESMTP = false;
    if (!Command("HELO " + SystemName))
        return false;
    const int helo = ReadResult(Timeout);
    return helo >= 250 && helo <= 259;
}

bool TSMTPSend::StartTLS() {
    if (!Command("STARTTLS") || ReadResult(Timeout) != 220)
        return false;
    // Bytes sent before the handshake would be taken as protected later: refuse them.
    if (Sock.WaitingData() > 0) {
        Sock.SetError(10091, "the server sent data before the TLS handshake");
        return false;
    }
    return Sock.SSLDoConnect(TargetHost, Timeout) && Ehlo();
}

bool TSMTPSend::AuthCramMd5() {
    if (!Command("AUTH CRAM-MD5") || ReadResult(Timeout) != 334)
        return false;
    const std::string challenge = DecodeBase64Lenient(ResultString.size() > 4 ? ResultString.substr(4) : "");
    if (!Command(EncodeBase64(UserName + " " + HmacMd5Hex(Password, challenge))))
        return false;
    return ReadResult(Timeout) == 235;
}

bool TSMTPSend::AuthLogin() {
    if (!Command("AUTH LOGIN") || ReadResult(Timeout) != 334)
        return false;
    if (!Command(EncodeBase64(UserName)) || ReadResult(Timeout) != 334)
        return false;
    if (!Command(EncodeBase64(Password)))
        return false;
    return ReadResult(Timeout) == 235;
}

void TSMTPSend::Authenticate() {
    AuthDone = false;
    if (UserName.empty() && Password.empty())
        return;
    std::string auth = FindCap("AUTH ");
    if (auth.empty())
        auth = FindCap("AUTH=");
    auth = Upper(auth);
    if (auth.empty())
        return;
    if (HasWord(auth, "CRAM-MD5"))
        AuthDone = AuthCramMd5();
    if (!AuthDone && Sock.LastError() == 0 && HasWord(auth, "LOGIN"))
        AuthDone = AuthLogin();
}

bool TSMTPSend::Login() {
    AuthDone = false;
    ESMTP = true;
    ESMTPcap.clear();
    ResultCode = 0;
    ResultString.clear();
    FullResult.clear();
    if (!Sock.Connect(TargetHost, TargetPort))
        return false;
    if (FullSSL && !Sock.SSLDoConnect(TargetHost, Timeout))
        return false;
    if (ReadResult(Timeout) != 220)
        return false;
    if (!Ehlo())
        return false;
    if (AutoTLS && !FullSSL && !FindCap("STARTTLS").empty() && !StartTLS())
        return false;
    Authenticate();
    if (Sock.LastError() != 0)
        return false;
    const std::string size = FindCap("SIZE");
    if (!size.empty()) {
        ESMTPSize = true;
        MaxSize = 0;
        for (std::size_t i = 5; i < size.size() && std::isdigit(static_cast<unsigned char>(size[i])); ++i)
            MaxSize = MaxSize > (INT_MAX - 9) / 10 ? INT_MAX : MaxSize * 10 + (size[i] - '0');
    }
    return true;
}

bool TSMTPSend::MailFrom(const std::string& address, std::size_t size) {
    std::string command = "MAIL FROM:<" + address + ">";
    if (ESMTPSize)
        command += " SIZE=" + std::to_string(size);
    return Command(command) && ReadResult(Timeout) == 250;
}

bool TSMTPSend::MailTo(const std::string& address) {
    return Command("RCPT TO:<" + address + ">") && ReadResult(Timeout) == 250;
}

bool TSMTPSend::MailData(const std::vector<std::string>& lines, int resultTimeoutMs,
                         const std::function<void(std::size_t, std::size_t)>& progress) {
    if (!Command("DATA"))
        return false;
    // One line only: a server that answers DATA with several lines is refused by its first.
    ResultCode = 0;
    FullResult.clear();
    if (!Sock.RecvString(ResultString, resultTimeoutMs))
        return false;
    FullResult.push_back(ResultString);
    ResultCode = ParseCode(ResultString);
    if (ResultString.rfind("354", 0) != 0)
        return false;

    // The end mark travels with the last block: a small write of its own would wait for the
    // server's delayed acknowledgement of the block before it.
    std::string block;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i].empty() && lines[i][0] == '.')
            block += '.';
        block += NoLineEnds(lines[i]);
        block += "\r\n";
        if (block.size() >= SendBlock) {
            if (!Sock.SendString(block))
                return false;
            block.clear();
        }
        if (progress)
            progress(i + 1, lines.size());
    }
    block += ".\r\n";
    if (!Sock.SendString(block))
        return false;
    return ReadResult(resultTimeoutMs) == 250;
}

bool TSMTPSend::Logout() {
    const bool ok = Command("QUIT") && ReadResult(Timeout) == 221;
    Sock.CloseSocket();
    return ok;
}

} // namespace hostaq
