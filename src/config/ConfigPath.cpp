#include "config/ConfigPath.h"

#include "config/ErrorReporter.h"
#include "config/IniFile.h"
#include "config/Messages.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <pwd.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hostaq {

namespace {
std::string& PathStore() {
    static std::string path;
    return path;
}
bool HostaqEdition = true;
using THooks = std::vector<std::pair<int, std::function<void(const std::string&)>>>;
THooks& Hooks() {
    static THooks hooks;
    return hooks;
}
int NextHookId = 1;
std::string& LocateError() {
    static std::string error;
    return error;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Replaces the extension of the file name (not of a folder) by ".ini", or appends it.
std::string WithIniExtension(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return path.substr(0, dot) + ".ini";
    return path + ".ini";
}

// "install" and "uninstall", bare or after "/" or "\", any case: the service switches, never a
// configuration file ("-install" begins with "-" and is skipped anyway).
bool IsServiceSwitchWord(const std::string& arg) {
    std::string bare = arg;
    if (!bare.empty() && (bare[0] == '/' || bare[0] == '\\'))
        bare.erase(0, 1);
    return ::strcasecmp(bare.c_str(), "install") == 0 || ::strcasecmp(bare.c_str(), "uninstall") == 0;
}

bool MakeFolder(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}
} // namespace

const std::string& ConfigPath() {
    return PathStore();
}
void SetConfigPath(const std::string& path) {
    PathStore() = path;
}
bool IsHostaqEdition() {
    return HostaqEdition;
}
void SetHostaqEdition(bool value) {
    HostaqEdition = value;
}

std::string ProgramPath() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return "hostaq";
    return std::string(buf, static_cast<std::size_t>(n));
}

std::string UserDataFolder() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        base = xdg;
    else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw ? pw->pw_dir : "/tmp";
        }
        base = std::string(home) + "/.config";
    }
    return base + "/Vemo Solution/Hostaq Updater";
}

std::string CommandLineCandidate(const std::vector<std::string>& args, const std::string& programPath) {
    for (const std::string& arg : args) {
        if (arg.empty() || arg[0] == '-' || IsServiceSwitchWord(arg))
            continue;
        std::string candidate = arg;
        if (candidate.find('/') == std::string::npos)
            candidate = FolderOf(programPath) + candidate;
        return WithIniExtension(candidate);
    }
    return {};
}

bool IsNamedExplicitly(const std::vector<std::string>& args) {
    for (const std::string& arg : args)
        if (!arg.empty() && arg[0] != '-' && !IsServiceSwitchWord(arg))
            return arg.find('/') != std::string::npos;
    return false;
}

const std::string& ConfigLocateError() {
    return LocateError();
}

namespace {
// The located file did not exist before its write probe made it.
bool madeByProbe = false;

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// The write probe of a candidate, remembering whether the probe made the file.
bool ProbeCandidate(const std::string& path, std::string* reason = nullptr) {
    const bool existed = Exists(path);
    if (!IniWriteTest(path, reason))
        return false;
    madeByProbe = !existed;
    return true;
}
} // namespace

void RemoveConfigMadeForNothing() {
    struct stat st {};
    const std::string& path = ConfigPath();
    if (madeByProbe && ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0)
        ::unlink(path.c_str());
    madeByProbe = false;
}

namespace {
bool MayUseBesideProgram(const std::string& file) {
    struct stat st {};
    if (::lstat(file.c_str(), &st) == 0)
        return true; // put there on purpose
    // A portable copy: the program's folder is the running user's own. Root's is never taken for
    // one: the folder of an installed program (/usr/bin) belongs to root too.
    const uid_t user = ::geteuid();
    const std::string folder = FolderOf(file);
    return user != 0 && ::stat(folder.empty() ? "." : folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == user;
}
} // namespace

bool LocateConfigFile(const std::vector<std::string>& args, const std::string& programPath) {
    LocateError().clear();
    madeByProbe = false;
    std::string chosen;
    const std::string fromArgs = CommandLineCandidate(args, programPath);
    if (IsNamedExplicitly(args)) {
        // The file named is the file used, or none: never another one in its place.
        std::string reason;
        SetConfigPath(fromArgs);
        if (!ProbeCandidate(fromArgs, &reason)) {
            LocateError() = "cannot use " + fromArgs + ": " + reason;
            return false;
        }
        chosen = fromArgs;
    }
    if (chosen.empty() && !fromArgs.empty() && MayUseBesideProgram(fromArgs) && ProbeCandidate(fromArgs))
        chosen = fromArgs;
    if (chosen.empty()) {
        const std::string beside = WithIniExtension(programPath);
        if (MayUseBesideProgram(beside) && ProbeCandidate(beside))
            chosen = beside;
    }
    const std::string userFolder = UserDataFolder();
    const std::string userFile = userFolder + "/" + WithIniExtension(FileNameOf(programPath));
    if (chosen.empty()) {
        // The two folders of the per-user place are created one level at a time.
        const std::string vendor = userFolder.substr(0, userFolder.rfind('/'));
        const std::string parent = vendor.substr(0, vendor.rfind('/'));
        MakeFolder(parent);
        if (!MakeFolder(vendor) || !MakeFolder(userFolder))
            ReportError(Msg(MsgCannotCreateDataFolder));
        if (ProbeCandidate(userFile))
            chosen = userFile;
    }
    if (chosen.empty()) {
        ReportError(Msg(MsgCannotCreateIni));
        SetConfigPath(userFile);
        return false;
    }
    SetConfigPath(chosen);
    for (const auto& [id, hook] : Hooks())
        hook(chosen);
    SetHostaqEdition(IniReadBool(chosen, "Options", "IsHostaq", true));
    return true;
}

int AddConfigLocatedHook(std::function<void(const std::string& path)> hook) {
    Hooks().emplace_back(NextHookId, std::move(hook));
    return NextHookId++;
}

void RemoveConfigLocatedHook(int id) {
    std::erase_if(Hooks(), [id](const auto& entry) { return entry.first == id; });
}

} // namespace hostaq
