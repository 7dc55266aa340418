#pragma once

#include <string>
#include <string_view>

namespace hostaq {

// The text without leading and trailing blanks and control characters.
inline std::string TrimBlanks(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
        s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
        s.remove_suffix(1);
    return std::string(s);
}

} // namespace hostaq
