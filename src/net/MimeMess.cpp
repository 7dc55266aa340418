#include "net/MimeMess.h"

#include "net/Base64.h"
#include "net/MimeAddress.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <random>
#include <sstream>

namespace hostaq {

namespace {

constexpr std::size_t MaxSmtpLine = 998;
constexpr std::size_t MaxQpLine = 76;
constexpr std::size_t Base64LineChars = 76;

bool IsPlainAscii(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        if (line.size() > MaxSmtpLine)
            return false;
        for (char c : line) {
            const auto u = static_cast<unsigned char>(c);
            if (u >= 0x80 || u == 0 || u == '\r' || u == '\n')
                return false;
        }
    }
    return true;
}

bool IsAsciiText(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

std::string HexByte(unsigned char c) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    return {'=', Digits[c >> 4], Digits[c & 15]};
}

// Length in bytes of the UTF-8 sequence that starts with lead, 1 for anything else.
std::size_t Utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    if (lead >= 0xE0)
        return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC2)
        return 2;
    return 1;
}

// RFC 2047 "B" encoded words for a header value, never splitting a UTF-8 sequence; words after
// the first go on continuation lines.
std::vector<std::string> EncodeHeaderWords(std::string_view text, const char* charset) {
    const std::string prefix = std::string("=?") + charset + "?B?";
    // 36 bytes make 48 Base64 characters: with "Subject: " in front a line stays under 76.
    constexpr std::size_t maxRaw = 36;
    const bool utf8 = std::string_view(charset) == "UTF-8";
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = i;
        while (end < text.size()) {
            std::size_t step = utf8 ? Utf8SequenceLength(static_cast<unsigned char>(text[end])) : 1;
            if (end + step > text.size())
                step = text.size() - end;
            if (end - i + step > maxRaw)
                break;
            end += step;
        }
        words.push_back(prefix + EncodeBase64(text.substr(i, end - i)) + "?=");
        i = end;
    }
    return words;
}

// Appends "Name: value", encoding a non-ASCII value as encoded words on folded lines.
void AppendHeader(std::vector<std::string>& lines, const std::string& name, const std::string& value,
                  bool mayEncode = false) {
    const std::string clean = CleanHeaderValue(value);
    if (!mayEncode || IsAsciiText(clean)) {
        lines.push_back(name + ": " + clean);
        return;
    }
    const std::vector<std::string> words =
        EncodeHeaderWords(clean, IsValidUtf8(clean) ? "UTF-8" : "ISO-8859-1");
    lines.push_back(name + ": " + words.front());
    for (std::size_t i = 1; i < words.size(); ++i)
        lines.push_back(" " + words[i]);
}

std::string JoinList(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) {
        if (!out.empty())
            out += ", ";
        out += item;
    }
    return out;
}

// The content lines and body of the text part.
void AppendTextPart(std::vector<std::string>& lines, const std::vector<std::string>& body) {
    if (IsPlainAscii(body)) {
        lines.push_back("Content-type: text/plain; charset=us-ascii");
        lines.push_back("Content-Transfer-Encoding: 7bit");
        lines.push_back("");
        lines.insert(lines.end(), body.begin(), body.end());
        return;
    }
    bool utf8 = true;
    for (const std::string& line : body)
        utf8 = utf8 && IsValidUtf8(line);
    lines.push_back(std::string("Content-type: text/plain; charset=") + (utf8 ? "UTF-8" : "ISO-8859-1"));
    lines.push_back("Content-Transfer-Encoding: quoted-printable");
    lines.push_back("");
    for (const std::string& line : body) {
        std::vector<std::string> encoded = EncodeQuotedPrintableLine(line);
        lines.insert(lines.end(), encoded.begin(), encoded.end());
    }
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string MakeBoundary() {
    std::random_device rd;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "=_HostaqPart_%08X%08X", rd(), rd());
    return buffer;
}

} // namespace

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(lead);
        if (length == 1 || i + length > text.size())
            return false;
        const auto second = static_cast<unsigned char>(text[i + 1]);
        // Overlong forms, surrogates and values past U+10FFFF.
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
            (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

std::vector<std::string> SplitMailLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

std::vector<std::string> EncodeQuotedPrintableLine(std::string_view line) {
    std::vector<std::string> out;
    std::string current;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        const bool last = i + 1 == line.size();
        std::string piece;
        if ((c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !last))
            piece.assign(1, static_cast<char>(c));
        else
            piece = HexByte(c);
        // Room for a soft break "=" unless this piece ends the line.
        const std::size_t limit = last ? MaxQpLine : MaxQpLine - 1;
        if (current.size() + piece.size() > limit) {
            out.push_back(current + "=");
            current.clear();
        }
        current += piece;
    }
    out.push_back(current);
    return out;
}

std::string FormatRfc822Date(const TDateTime& t) {
    static constexpr const char* Days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    // The zone offset the system gives this local time.
    std::tm tm{};
    tm.tm_year = t.Year() - 1900;
    tm.tm_mon = t.Month() - 1;
    tm.tm_mday = t.Day();
    tm.tm_hour = t.Hour();
    tm.tm_min = t.Minute();
    tm.tm_sec = t.Second();
    tm.tm_isdst = -1;
    long offset = 0;
    if (std::mktime(&tm) != static_cast<std::time_t>(-1))
        offset = tm.tm_gmtoff;
    const char sign = offset < 0 ? '-' : '+';
    const long minutes = (offset < 0 ? -offset : offset) / 60;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s, %d %s %04d %02d:%02d:%02d %c%02ld%02ld",
                  Days[t.DayOfWeek() - 1], t.Day(), Months[t.Month() - 1], t.Year(), t.Hour(), t.Minute(),
                  t.Second(), sign, minutes / 60, minutes % 60);
    return buffer;
}

bool TMimeMess::EncodeMessage(std::string* error) {
    std::vector<std::string> lines;
    AppendHeader(lines, "From", From);
    if (!ReplyTo.empty())
        AppendHeader(lines, "Reply-To", GetEmailAddr(ReplyTo));
    AppendHeader(lines, "Subject", Subject, true);
    AppendHeader(lines, "To", JoinList(ToList));
    if (!CCList.empty())
        AppendHeader(lines, "Cc", JoinList(CCList));
    lines.push_back("Date: " + FormatRfc822Date(Date));
    lines.push_back("MIME-Version: 1.0");
    AppendHeader(lines, "X-Mailer", XMailer);
    if (!InReplyTo.empty())
        AppendHeader(lines, "In-Reply-To", "<" + InReplyTo + ">");

    if (Attachments.empty()) {
        AppendTextPart(lines, Body);
        Lines = std::move(lines);
        return true;
    }

    const std::string boundary = MakeBoundary();
    lines.push_back("Content-type: multipart/mixed; boundary=\"" + boundary + "\"");
    lines.push_back("");
    lines.push_back("This is a multi-part message in MIME format.");
    lines.push_back("");
    lines.push_back("--" + boundary);
    AppendTextPart(lines, Body);
    for (const std::string& file : Attachments) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream data;
        if (in.is_open())
            data << in.rdbuf();
        if (!in.is_open() || in.bad()) {
            if (error)
                *error = "cannot read " + file;
            return false;
        }
        const std::string name = CleanHeaderValue(BaseName(file));
        lines.push_back("");
        lines.push_back("--" + boundary);
        lines.push_back("Content-type: application/octet-stream; name=\"" + name + "\"");
        lines.push_back("Content-Transfer-Encoding: base64");
        lines.push_back("Content-Disposition: attachment; filename=\"" + name + "\"");
        lines.push_back("");
        const std::string encoded = EncodeBase64(data.str());
        for (std::size_t i = 0; i < encoded.size(); i += Base64LineChars)
            lines.push_back(encoded.substr(i, Base64LineChars));
    }
    lines.push_back("");
    lines.push_back("--" + boundary + "--");
    Lines = std::move(lines);
    return true;
}

} // namespace hostaq
