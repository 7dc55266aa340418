#include "config/Messages.h"

#include "config/IniFile.h"

#include <array>
#include <mutex>
#include <sys/stat.h>

namespace hostaq {

namespace {

struct TBuiltIn {
    int Id;
    const char* Text;
};

constexpr TBuiltIn BuiltIn[] = {
#include "config/MessagesTable.inc"
};

// A language file's message is read into a 350-byte buffer.
constexpr std::size_t MaxLanguageText = 349;

// One slot per identifier from the first to the last later one; the gap between the ranges stays
// empty.
using TTable = std::array<std::string, MsgLaterLast - MsgFirst + 1>;

constexpr bool InTable(int id) {
    return (id >= MsgFirst && id <= MsgLast) || (id >= MsgLaterFirst && id <= MsgLaterLast);
}

constexpr bool BuiltInInRange() {
    for (const TBuiltIn& m : BuiltIn)
        if (!InTable(m.Id))
            return false;
    return true;
}
static_assert(BuiltInInRange(), "Messages.txt holds an identifier outside the message table");

TTable BuiltInTable() {
    TTable t;
    for (const TBuiltIn& m : BuiltIn)
        if (InTable(m.Id))
            t[static_cast<std::size_t>(m.Id - MsgFirst)] = m.Text;
    return t;
}

std::mutex TableMutex;
TTable& Table() {
    static TTable table = BuiltInTable();
    return table;
}

} // namespace

std::string Msg(int id) {
    if (!InTable(id))
        return {};
    std::lock_guard lock(TableMutex);
    return Table()[static_cast<std::size_t>(id - MsgFirst)];
}

void ResetMessages() {
    std::lock_guard lock(TableMutex);
    Table() = BuiltInTable();
}

bool LoadMessages(const std::string& languageFile) {
    struct stat st {};
    if (languageFile.empty() || ::stat(languageFile.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        ResetMessages();
        return false;
    }
    std::string text;
    TTable loaded = BuiltInTable();
    for (int id = MsgFirst; id <= MsgLaterLast; ++id) {
        if (!InTable(id))
            continue;
        const bool later = id >= MsgLaterFirst;
        std::string& slot = loaded[static_cast<std::size_t>(id - MsgFirst)];
        std::string value = IniReadString(languageFile, "Messages", std::to_string(id), later ? slot : "");
        if (value.size() > MaxLanguageText)
            value.resize(MaxLanguageText);
        slot = std::move(value);
    }
    std::lock_guard lock(TableMutex);
    Table() = std::move(loaded);
    return true;
}

std::string FormatText(std::string_view format, std::initializer_list<std::string> args) {
    std::string out;
    out.reserve(format.size() + 32);
    auto next = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c == '%' && i + 1 < format.size()) {
            const char f = format[i + 1];
            if (f == 's' || f == 'd') {
                if (next != args.end())
                    out += *next++;
                ++i;
                continue;
            }
            if (f == '%') {
                out += '%';
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

} // namespace hostaq
