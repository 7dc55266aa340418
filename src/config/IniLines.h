#pragma once

// Line-level pieces of the INI store shared by its parts: blanks, case-blind names, the kind of
// a line. Internal to the store.

#include <string>
#include <string_view>
#include <strings.h>

namespace hostaq::IniStore {

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

inline std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

inline bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && (a.empty() || strncasecmp(a.data(), b.data(), a.size()) == 0);
}

enum class TLineKind { Other, Section, Key };

// Classifies one line; name receives the section or key name, value the trimmed value.
inline TLineKind Classify(std::string_view line, std::string_view& name, std::string_view* value = nullptr) {
    std::string_view t = Trim(line);
    if (!t.empty() && t.front() == '[') {
        t.remove_prefix(1);
        const std::size_t close = t.find(']');
        name = Trim(close == std::string_view::npos ? t : t.substr(0, close));
        return TLineKind::Section;
    }
    const std::size_t eq = t.find('=');
    if (eq == std::string_view::npos)
        return TLineKind::Other;
    name = Trim(t.substr(0, eq));
    if (value)
        *value = Trim(t.substr(eq + 1));
    return TLineKind::Key;
}

inline std::string_view StripBom(std::string_view text) {
    if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF &&
        static_cast<unsigned char>(text[1]) == 0xBB && static_cast<unsigned char>(text[2]) == 0xBF)
        text.remove_prefix(3);
    return text;
}

inline std::string LowerName(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

} // namespace hostaq::IniStore
