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

// Every text has its place in the table: an identifier outside it would be written past its end.
constexpr bool AllInTable() {
    for (const TBuiltIn& m : BuiltIn)
        if (m.Id < MsgFirst || m.Id > MsgLast)
            return false;
    return true;
}
static_assert(AllInTable(), "Messages.txt holds an identifier outside MsgFirst..MsgLast");

// A language file's message is read into a 350-byte buffer.
constexpr std::size_t MaxLanguageText = 349;

std::mutex TableMutex;
std::array<std::string, MsgLast - MsgFirst + 1>& Table() {
    static std::array<std::string, MsgLast - MsgFirst + 1> table = [] {
        std::array<std::string, MsgLast - MsgFirst + 1> t;
        for (const TBuiltIn& m : BuiltIn)
            t[static_cast<std::size_t>(m.Id - MsgFirst)] = m.Text;
        return t;
    }();
    return table;
}

} // namespace

std::string Msg(int id) {
    if (id < MsgFirst || id > MsgLast)
        return {};
    std::lock_guard lock(TableMutex);
    return Table()[static_cast<std::size_t>(id - MsgFirst)];
}

void ResetMessages() {
    std::lock_guard lock(TableMutex);
    auto& table = Table();
    for (auto& text : table)
        text.clear();
    for (const TBuiltIn& m : BuiltIn)
        table[static_cast<std::size_t>(m.Id - MsgFirst)] = m.Text;
}

bool LoadMessages(const std::string& languageFile) {
    struct stat st {};
    if (languageFile.empty() || ::stat(languageFile.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        ResetMessages();
        return false;
    }
    std::string text;
    std::array<std::string, MsgLast - MsgFirst + 1> loaded;
    for (int id = MsgFirst; id <= MsgLast; ++id) {
        std::string value = IniReadString(languageFile, "Messages", std::to_string(id), "");
        if (value.size() > MaxLanguageText)
            value.resize(MaxLanguageText);
        loaded[static_cast<std::size_t>(id - MsgFirst)] = std::move(value);
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
