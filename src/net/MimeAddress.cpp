#include "net/MimeAddress.h"

namespace hostaq {

namespace {

std::string_view Trim(std::string_view s) {
    const char* blanks = " \t\r\n";
    std::size_t b = s.find_first_not_of(blanks);
    if (b == std::string_view::npos)
        return {};
    std::size_t e = s.find_last_not_of(blanks);
    return s.substr(b, e - b + 1);
}

} // namespace

std::vector<std::string> SplitMailList(std::string_view text) {
    std::vector<std::string> entries;
    std::string current;
    bool quoted = false;
    auto flush = [&] {
        std::string_view t = Trim(current);
        if (!t.empty())
            entries.emplace_back(t);
        current.clear();
    };
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        if (!quoted && (c == ',' || c == ';')) {
            flush();
            continue;
        }
        current += c;
    }
    flush();
    return entries;
}

std::string GetEmailAddr(std::string_view entry) {
    // The angle brackets that count are the last pair outside a quoted display name.
    bool quoted = false;
    std::size_t open = std::string_view::npos;
    for (std::size_t i = 0; i < entry.size(); ++i) {
        if (entry[i] == '"')
            quoted = !quoted;
        else if (!quoted && entry[i] == '<')
            open = i;
    }
    if (open != std::string_view::npos) {
        std::size_t close = entry.find('>', open + 1);
        std::string_view inner = entry.substr(
            open + 1, close == std::string_view::npos ? std::string_view::npos : close - open - 1);
        return std::string(Trim(inner));
    }
    return std::string(Trim(entry));
}

std::vector<std::string> BuildEnvelope(const std::string& to, const std::string& cc, const std::string& bcc) {
    std::string all = to;
    for (const std::string* part : {&cc, &bcc}) {
        if (!part->empty())
            all += "; " + *part;
    }
    return SplitMailList(all);
}

std::string CleanHeaderValue(std::string_view value) {
    std::string out(value);
    for (char& c : out) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return out;
}

} // namespace hostaq
