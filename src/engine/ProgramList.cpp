#include "engine/ProgramList.h"

#include "config/IniFile.h"

#include <algorithm>
#include <strings.h>
#include <sys/stat.h>

namespace hostaq {

namespace {
bool AllDigits(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsSeparator(char c) {
    return static_cast<unsigned char>(c) <= ' ' || c == ',';
}

// The first token of a comma text: blanks and commas separate, double quotes group. end is
// where the token stops in the text (past its closing quote).
std::string FirstToken(const std::string& text, std::size_t& end) {
    std::size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ')
        ++i;
    std::string token;
    if (i < text.size() && text[i] == '"') {
        ++i;
        while (i < text.size()) {
            if (text[i] == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    token += '"';
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            token += text[i++];
        }
        end = i;
        return token;
    }
    while (i < text.size() && !IsSeparator(text[i]))
        token += text[i++];
    end = i;
    return token;
}
} // namespace

std::vector<TProgramEntry> ReadProgramList(const std::string& path, const std::string& section,
                                           bool runList) {
    // One read of the section; names compare without regard to case and the first one wins.
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const std::string& line : IniReadSectionValues(path, section)) {
        const std::size_t eq = line.find('=');
        pairs.emplace_back(line.substr(0, eq), eq == std::string::npos ? std::string() : line.substr(eq + 1));
    }
    auto boolOf = [&](const std::string& key, bool def) {
        for (const auto& [name, value] : pairs)
            if (strcasecmp(name.c_str(), key.c_str()) == 0) {
                int n = 0;
                return ParseIniInteger(value, n) ? n != 0 : def;
            }
        return def;
    };
    std::vector<TProgramEntry> list;
    for (const auto& [key, value] : pairs) {
        if (!AllDigits(key) || value.empty())
            continue;
        TProgramEntry entry;
        entry.CommandLine = value;
        entry.Enabled = boolOf("Enb" + key, true);
        entry.OnlyWhenIPChanges = runList && boolOf("IP" + key, false);
        list.push_back(entry);
    }
    return list;
}

bool SaveProgramList(const std::string& path, const std::string& section, bool runList,
                     const std::vector<TProgramEntry>& entries, const std::string& delayKey, int delay) {
    return IniUpdate(path, [&](TIniDocument& doc) {
        doc.WriteInteger("Options", delayKey, delay);
        doc.EraseSection(section);
        int position = 1;
        for (const TProgramEntry& e : entries) {
            const std::string key = std::to_string(position++);
            doc.WriteString(section, key, e.CommandLine);
            doc.WriteBool(section, "Enb" + key, e.Enabled);
            if (runList)
                doc.WriteBool(section, "IP" + key, e.OnlyWhenIPChanges);
        }
        return true;
    });
}

TProgramCommand SplitProgramCommand(const std::string& commandLine,
                                    const std::function<bool(const std::string&)>& fileExists) {
    TProgramCommand cmd;
    if (fileExists(commandLine)) {
        cmd.Program = commandLine;
        return cmd;
    }
    std::size_t end = 0;
    cmd.Program = FirstToken(commandLine, end);
    // The blank after the program name, quoted or not. (Searching from the name's length would
    // stop at a blank inside a quoted name: "/opt/app 2" -v.)
    const std::size_t blank = commandLine.find(' ', end);
    if (blank != std::string::npos)
        cmd.Parameters = commandLine.substr(blank);
    return cmd;
}

std::vector<std::string> SplitArguments(const std::string& parameters) {
    std::vector<std::string> args;
    std::size_t i = 0;
    const std::size_t n = parameters.size();
    for (;;) {
        while (i < n && (parameters[i] == ' ' || parameters[i] == '\t'))
            ++i;
        if (i >= n)
            break;
        std::string arg;
        bool quoted = false;
        while (i < n) {
            const char c = parameters[i];
            if (quoted) {
                if (c == '"') {
                    if (i + 1 < n && parameters[i + 1] == '"') {
                        arg += '"';
                        i += 2;
                        continue;
                    }
                    quoted = false;
                    ++i;
                    continue;
                }
                arg += c;
                ++i;
            } else {
                if (c == ' ' || c == '\t')
                    break;
                if (c == '"')
                    quoted = true;
                else
                    arg += c;
                ++i;
            }
        }
        args.push_back(arg);
    }
    return args;
}

bool ProgramFileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

} // namespace hostaq
