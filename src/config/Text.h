#pragma once

#include <cstddef>
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

// Most characters of an answer from the network that are stored (what a read of the value
// returns) and that one log entry shows.
inline constexpr std::size_t MaxStoredNetworkText = 2047;
inline constexpr std::size_t MaxLoggedNetworkText = 1024;

// The text with every control character but tab made a blank, so that it can neither break a
// line of a file nor drive a terminal: C0 controls, DEL and the C1 controls of UTF-8 (U+0080 to
// U+009F, which some terminals obey like ESC sequences). Then cut to at most maxLength bytes,
// never inside a UTF-8 sequence.
inline std::string CleanText(std::string_view text, std::size_t maxLength = std::string_view::npos) {
    std::string out;
    out.reserve(text.size() < maxLength ? text.size() : maxLength);
    std::size_t i = 0;
    for (; i < text.size() && out.size() < maxLength; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            out += ' ';
            ++i;
        } else if ((c < 0x20 && c != '\t') || c == 0x7F) {
            out += ' ';
        } else {
            out += static_cast<char>(c);
        }
    }
    if (i < text.size()) {
        // The cut fell inside the text: drop a sequence it split.
        std::size_t end = out.size();
        std::size_t lead = end;
        while (lead > 0 && (static_cast<unsigned char>(out[lead - 1]) & 0xC0) == 0x80)
            --lead;
        if (lead > 0) {
            const auto c = static_cast<unsigned char>(out[lead - 1]);
            const std::size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            if (end - (lead - 1) < need)
                end = lead - 1;
        }
        out.resize(end);
    }
    return out;
}

} // namespace hostaq
