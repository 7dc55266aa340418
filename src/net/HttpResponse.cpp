#include "net/HttpResponse.h"

#include "net/NetErrors.h"
#include "net/Url.h"

#include <algorithm>
#include <cctype>

namespace hostaq {

namespace {

bool StartsWithText(const std::string& line, std::string_view prefix) {
    if (line.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(line[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

std::string Trim(std::string_view s) {
    auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    auto last = s.find_last_not_of(" \t\r\n");
    return std::string(s.substr(first, last - first + 1));
}

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// A decimal number; -1 when the text is not one. Past 2^40 it stops growing: any cap catches it.
long long ParseLength(const std::string& text) {
    if (text.empty())
        return -1;
    long long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return -1;
        if (v < (1LL << 40))
            v = v * 10 + (c - '0');
    }
    return v;
}

// The chunk size before any blank or ";": hexadecimal; unreadable counts as 0 (the end).
long long ParseChunkSize(const std::string& line) {
    std::string s = Trim(line.substr(0, line.find_first_of(" ;\t")));
    long long v = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return 0;
        v = v * 16 + d;
        if (v > static_cast<long long>(MaxResponseBody))
            return static_cast<long long>(MaxResponseBody) + 1;
    }
    return v;
}

class TResponseReader {
public:
    TResponseReader(TByteReader& in, const THttpResponseOptions& options, THttpResponse& out)
        : in_(in), options_(options), out_(out) {}

    bool Run() {
        std::string line;
        bool haveStatus = false;
        for (;;) {
            do {
                if (!ReadHeaderLine(line))
                    return false;
            } while (line.empty());
            if (!StartsWithText(line, "HTTP/"))
                break;
            haveStatus = true;
            out_.Headers.push_back(line);
            DecodeStatus(line);
            if (!(options_.SkipContinue && out_.ResultCode == 100))
                break;
            // An interim answer: its headers end with an empty line, the real answer follows.
            out_.Headers.clear();
            do {
                if (!ReadHeaderLine(line))
                    return false;
            } while (!line.empty());
        }
        if (!haveStatus) {
            // HTTP/0.9: no status line and no headers; everything up to the close is the body.
            out_.Document = line + "\r\n";
            out_.ResultCode = 0;
            out_.ToClose = true;
            return ReadUntilClose();
        }

        out_.ToClose = !options_.Protocol11;
        long long size = -1;
        bool chunked = false;
        for (;;) {
            if (!ReadHeaderLine(line))
                return false;
            if (line.empty())
                break;
            out_.Headers.push_back(line);
            if (StartsWithText(line, "Content-Length:"))
                size = ParseLength(Trim(std::string_view(line).substr(15)));
            else if (StartsWithText(line, "Content-Type:"))
                out_.MimeType = Trim(std::string_view(line).substr(13));
            else if (StartsWithText(line, "Transfer-Encoding:") &&
                     Upper(line).find("CHUNKED") != std::string::npos)
                chunked = true;
            if (StartsWithText(line, "Connection: close"))
                out_.ToClose = true;
        }

        if (options_.HeadRequest || out_.ResultCode == 204 || out_.ResultCode == 304)
            return true;
        if (chunked)
            return ReadChunked();
        if (size >= 0)
            return ReadIdentity(size);
        return ReadUntilClose();
    }

    int Error() const { return error_; }

private:
    bool Fail(int code) {
        error_ = code;
        return false;
    }

    bool ReadHeaderLine(std::string& line) {
        if (!in_.RecvString(line, options_.Timeout))
            return Fail(in_.LastError());
        headerBytes_ += line.size() + 2;
        if (headerBytes_ > MaxResponseBody)
            return Fail(WsaEMsgSize);
        return true;
    }

    void DecodeStatus(const std::string& line) {
        // "HTTP/1.0 200 OK": the code is the word after the first blank, the reason the rest.
        auto sp = line.find(' ');
        std::string rest = sp == std::string::npos ? std::string() : line.substr(sp + 1);
        auto sp2 = rest.find(' ');
        std::string code = rest.substr(0, sp2);
        out_.ResultString = sp2 == std::string::npos ? std::string() : rest.substr(sp2 + 1);
        long long v = ParseLength(code);
        out_.ResultCode = v >= 0 && v <= 99999 ? static_cast<int>(v) : 0;
    }

    bool ReadIdentity(long long size) {
        if (size > static_cast<long long>(MaxResponseBody))
            return Fail(WsaEMsgSize);
        if (size < 1)
            return true;
        if (!in_.RecvBufferEx(out_.Document, static_cast<std::size_t>(size), options_.Timeout))
            return Fail(in_.LastError());
        return true;
    }

    bool ReadChunked() {
        std::string line;
        for (;;) {
            do {
                if (!ReadHeaderLine(line))
                    return false;
            } while (line.empty());
            long long size = ParseChunkSize(line);
            if (size == 0)
                break;
            if (out_.Document.size() + static_cast<std::size_t>(size) > MaxResponseBody)
                return Fail(WsaEMsgSize);
            if (!in_.RecvBufferEx(out_.Document, static_cast<std::size_t>(size), options_.Timeout))
                return Fail(in_.LastError());
        }
        // On a connection that stays open the trailer must be read too; otherwise the close
        // makes it irrelevant, and a server that omits it would only cost a time-out.
        if (!out_.ToClose) {
            do {
                if (!ReadHeaderLine(line))
                    return false;
            } while (!line.empty());
        }
        return true;
    }

    bool ReadUntilClose() {
        for (;;) {
            if (!in_.RecvPacket(out_.Document, options_.Timeout))
                return in_.PeerClosed() ? true : Fail(in_.LastError());
            if (out_.Document.size() > MaxResponseBody)
                return Fail(WsaEMsgSize);
        }
    }

    TByteReader& in_;
    const THttpResponseOptions& options_;
    THttpResponse& out_;
    std::size_t headerBytes_ = 0;
    int error_ = 0;
};

} // namespace

bool ReadHttpResponse(TByteReader& in, const THttpResponseOptions& options, THttpResponse& out, int& error) {
    out = THttpResponse{};
    TResponseReader reader(in, options, out);
    bool ok = reader.Run();
    error = ok ? 0 : reader.Error();
    return ok;
}

bool ParseHttpResponse(std::string_view bytes, const std::string& method, THttpResponse& out, int& error) {
    TBufferReader reader(bytes);
    THttpResponseOptions options;
    options.HeadRequest = SameText(method, "HEAD");
    return ReadHttpResponse(reader, options, out, error);
}

} // namespace hostaq
