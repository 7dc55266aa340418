#include "net/Url.h"

#include <cctype>

namespace hostaq {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string PercentDecode(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            int hi = HexValue(s[i + 1]);
            int lo = HexValue(s[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

} // namespace

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

TParsedUrl ParseURL(const std::string& url) {
    TParsedUrl u;
    std::string rest = url;
    auto sep = rest.find("://");
    if (sep != std::string::npos) {
        u.Prot = rest.substr(0, sep);
        rest.erase(0, sep + 3);
    }
    if (SameText(u.Prot, "https"))
        u.Port = "443";
    else if (SameText(u.Prot, "ftp"))
        u.Port = "21";

    // The authority ends where the path or the query begins.
    auto authEnd = rest.find_first_of("/?");
    std::string authority = rest.substr(0, authEnd);
    std::string tail = authEnd == std::string::npos ? std::string() : rest.substr(authEnd);

    auto at = authority.rfind('@');
    if (at != std::string::npos) {
        std::string userInfo = authority.substr(0, at);
        authority.erase(0, at + 1);
        auto colon = userInfo.find(':');
        u.User = PercentDecode(userInfo.substr(0, colon));
        if (colon != std::string::npos)
            u.Pass = PercentDecode(userInfo.substr(colon + 1));
    }

    std::string host = authority;
    std::string port;
    if (!authority.empty() && authority.front() == '[') {
        auto close = authority.find(']');
        if (close != std::string::npos) {
            host = authority.substr(0, close + 1);
            std::string after = authority.substr(close + 1);
            if (!after.empty() && after.front() == ':')
                port = after.substr(1);
        }
    } else {
        auto colon = authority.find(':');
        if (colon != std::string::npos) {
            host = authority.substr(0, colon);
            port = authority.substr(colon + 1);
        }
    }
    if (!host.empty())
        u.Host = host;
    if (!port.empty())
        u.Port = port;

    auto q = tail.find('?');
    std::string path = tail.substr(0, q);
    if (q != std::string::npos)
        u.Para = tail.substr(q + 1);
    if (!path.empty())
        u.Path = path;
    return u;
}

} // namespace hostaq
