#include "config/Stamp.h"

#include "config/Clock.h"

#include <cstdio>

namespace hostaq {

std::string EncodeStamp(const TDateTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", t.Year(), t.Month(), t.Day(), t.Hour(),
                  t.Minute(), t.Second());
    return buf;
}

bool TryDecodeStamp(const std::string& text, TDateTime& out) {
    if (text.empty()) {
        out = Now();
        return true;
    }
    if (text.size() != 14)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    auto num = [&](std::size_t from, std::size_t len) { return std::stoi(text.substr(from, len)); };
    const int y = num(0, 4), mo = num(4, 2), d = num(6, 2), h = num(8, 2), mi = num(10, 2), s = num(12, 2);
    if (!TDateTime::IsValid(y, mo, d, h, mi, s))
        return false;
    out = TDateTime::FromParts(y, mo, d, h, mi, s);
    return true;
}

TDateTime DecodeStamp(const std::string& text) {
    TDateTime t;
    if (!TryDecodeStamp(text, t))
        throw EConvertError("'" + text + "' is not a valid date and time");
    return t;
}

} // namespace hostaq
