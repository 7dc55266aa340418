#include "platform/Autostart.h"

#include "config/ConfigKeys.h"
#include "config/Version.h"
#include "platform/TextFile.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hostaq {

namespace {
std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr)
        return pw->pw_dir;
    return "/";
}

// Creates the folder and its missing parents.
bool MakeFolders(const std::string& folder) {
    std::string part;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = folder.find('/', pos + 1);
        part = folder.substr(0, pos);
        if (part.empty())
            continue;
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// One argument of the Exec key: quoted, with the characters the quoting rule reserves escaped,
// then the string escape of the file format applied on top ("\" becomes "\\").
std::string QuoteExecArgument(const std::string& arg) {
    std::string quoted = "\"";
    for (char c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    quoted += '"';
    std::string out;
    for (char c : quoted) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}
} // namespace

TAutostart::TAutostart(std::string folder) : folder_(folder.empty() ? DefaultFolder() : std::move(folder)) {}

std::string TAutostart::DefaultFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string base = (xdg != nullptr && *xdg == '/') ? std::string(xdg) : HomeFolder() + "/.config";
    return base + "/autostart";
}

std::string TAutostart::EntryPath() const {
    return folder_ + "/hostaq.desktop";
}

bool TAutostart::Exists() const {
    return RegularFileExists(EntryPath());
}

std::string TAutostart::BuildEntry(const std::string& programPath) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           std::string(AppTitle) +
           "\n"
           "Exec=" +
           QuoteExecArgument(programPath) +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool TAutostart::Create(const std::string& programPath) const {
    if (Exists())
        return true;
    if (!MakeFolders(folder_))
        return false;
    return WriteTextFileAtomically(EntryPath(), BuildEntry(programPath), 0644) == 0;
}

bool TAutostart::Delete() const {
    return ::unlink(EntryPath().c_str()) == 0 || errno == ENOENT;
}

bool TAutostart::Apply(bool wanted, const std::string& programPath) const {
    return wanted ? Create(programPath) : Delete();
}

TStartWithWindows LoadStartWithWindows(bool isService, bool serviceInstalled, const TAutostart& autostart,
                                       const std::string& programPath) {
    TStartWithWindows state;
    if (isService || serviceInstalled) {
        state.Checked = false;
        state.Enabled = false;
    } else {
        state.Checked = ReadBool(Keys::AutoStart);
        state.Enabled = true;
    }
    autostart.Apply(state.Checked, programPath);
    return state;
}

void SetStartWithWindows(bool checked, const TAutostart& autostart, const std::string& programPath) {
    WriteBool(Keys::AutoStart, checked);
    autostart.Apply(checked, programPath);
}

} // namespace hostaq
