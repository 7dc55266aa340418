#include "platform/ServiceControl.h"

#include "config/Messages.h"
#include "config/Text.h"
#include "config/Version.h"
#include "platform/PlatformMessages.h"
#include "platform/ServiceControlTrust.h"
#include "platform/TextFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <grp.h>
#include <pwd.h>
#include <strings.h>
#include <sys/stat.h>
#include <systemd/sd-login.h>
#include <unistd.h>

namespace hostaq {

namespace {
std::string OwnSystemdUnit() {
    char* unit = nullptr;
    if (::sd_pid_get_unit(0, &unit) < 0 || unit == nullptr)
        return {};
    std::string out = unit;
    ::free(unit);
    return out;
}

// Specifiers ("%n") are expanded in most unit settings; a literal "%" is written "%%".
std::string EscapeSpecifiers(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '%')
            out += '%';
    }
    return out;
}

// A failed command gives its exit status; one that could not be started its errno.
int CommandError(int rc) {
    return rc < 0 ? -rc : rc;
}

// Valid UTF-8 without control characters: what a unit file line can carry as it is.
bool UnitSafe(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F)
            return false;
        std::size_t n = c < 0x80             ? 1
                        : (c & 0xE0) == 0xC0 ? 2
                        : (c & 0xF0) == 0xE0 ? 3
                        : (c & 0xF8) == 0xF0 ? 4
                                             : 0;
        if (n == 0 || (n == 2 && c < 0xC2) || i + n > text.size())
            return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        // The C1 controls U+0080 to U+009F.
        if (c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0)
            return false;
        i += n;
    }
    return true;
}

// A value systemd takes unquoted (WorkingDirectory=): a trailing backslash would join the next
// line and surrounding blanks would be dropped.
bool UnquotedUnitSafe(const std::string& text) {
    return UnitSafe(text) && !text.empty() && text.back() != '\\' && text.back() != ' ' &&
           text.front() != ' ';
}

// A user or group name systemd takes in User= and Group=; otherwise the number is written.
std::string UnitAccountName(const char* name, unsigned id) {
    auto plain = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
    if (name == nullptr || !plain(name[0]))
        return std::to_string(id);
    for (const char* p = name + 1; *p != '\0'; ++p)
        if (!plain(*p) && !(*p >= '0' && *p <= '9') && *p != '-' && *p != '.')
            return std::to_string(id);
    return name;
}

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec).lexically_normal();
    return ec ? path : absolute.string();
}
} // namespace

bool IsServiceSwitch(const std::string& arg, const char* name) {
    std::string bare = arg;
    if (!bare.empty() && (bare[0] == '-' || bare[0] == '/' || bare[0] == '\\'))
        bare.erase(0, 1);
    return ::strcasecmp(bare.c_str(), name) == 0;
}

std::string QuoteUnitArgument(const std::string& arg) {
    if (!UnitSafe(arg))
        return {};
    std::string out = "\"";
    for (char c : arg) {
        switch (c) {
        case '"':
        case '\\':
            out += '\\';
            out += c;
            break;
        case '%':
            out += "%%";
            break;
        case '$':
            out += "$$";
            break;
        default:
            out += c;
        }
    }
    return out + "\"";
}

TServiceControl::TServiceControl(TServiceEnvironment env) : env_(std::move(env)) {
    if (!env_.Runner)
        env_.Runner = RunCommand;
    if (!env_.IsAdministrator)
        env_.IsAdministrator = [] { return ::geteuid() == 0; };
    if (!env_.OwnUnit)
        env_.OwnUnit = OwnSystemdUnit;
}

std::string TServiceControl::UnitPath() const {
    return env_.UnitFolder + "/" + ServiceUnitName;
}

namespace {
// ServiceAccountFor without the opening of its message.
std::string ServiceAccountProblem(const std::string& configPath, TServiceAccount& account) {
    const std::string path = AbsolutePath(configPath);
    auto refused = [](const std::string& why) { return why; };
    auto cannotExamine = [&](int error) {
        return refused(FormatMsg(MsgServiceCannotExamine, {std::strerror(error)}));
    };
    if (configPath.empty())
        return cannotExamine(ENOENT);
    const std::string folder = std::filesystem::path(path).parent_path().string();
    struct stat folderSt {};
    if (::stat(folder.c_str(), &folderSt) != 0)
        return cannotExamine(errno);

    // The owner of the file; while it does not exist yet, of the folder it will be made in.
    struct stat fileSt {};
    const bool exists = ::stat(path.c_str(), &fileSt) == 0;
    if (!exists && errno != ENOENT)
        return cannotExamine(errno);
    const uid_t owner = exists ? fileSt.st_uid : folderSt.st_uid;

    // Every folder up to "/", every link on the way, the file and its folder.
    if (const std::string why = ConfigTrustProblem(path, owner); !why.empty())
        return refused(why);

    account.Uid = owner;
    const struct passwd* pw = ::getpwuid(owner);
    account.Gid = pw != nullptr ? pw->pw_gid : (exists ? fileSt.st_gid : folderSt.st_gid);
    account.User = UnitAccountName(pw != nullptr ? pw->pw_name : nullptr, owner);
    const struct group* gr = ::getgrgid(account.Gid);
    account.Group = UnitAccountName(gr != nullptr ? gr->gr_name : nullptr, account.Gid);
    return {};
}
} // namespace

std::string ServiceAccountFor(const std::string& configPath, TServiceAccount& account) {
    const std::string why = ServiceAccountProblem(configPath, account);
    return why.empty() ? why : FormatMsg(MsgServiceConfigRefused, {AbsolutePath(configPath), why});
}

std::string ServiceTreeProblem(const std::string& programPath, const std::string& configPath) {
    TServiceAccount account;
    std::string why = ServiceAccountProblem(configPath, account);
    if (why.empty())
        why = ProgramTrustProblem(AbsolutePath(programPath), account.Uid);
    return why;
}

std::string TServiceControl::BuildUnit(const std::string& programPath, const std::string& configPath,
                                       const TServiceAccount& account, std::string& error) {
    // The configuration is named by its absolute path; its folder is the working directory,
    // where a language file beside it is found.
    const std::string config = AbsolutePath(configPath);
    const std::string folder = std::filesystem::path(config).parent_path().string();
    const std::string program = QuoteUnitArgument(programPath);
    const std::string configArgument = QuoteUnitArgument(config);
    if (program.empty() || configArgument.empty() || !UnquotedUnitSafe(folder)) {
        const std::string& bad = program.empty() ? programPath : config;
        error = FormatMsg(MsgServiceConfigRefused, {bad, Msg(MsgServiceUnquotable)});
        return {};
    }
    // The description comes from the message table, which a language file may change.
    std::string description = TrimBlanks(CleanText(Msg(MsgServiceDescription)));
    while (!description.empty() && description.back() == '\\')
        description.pop_back();
    std::string unit = "# ";
    unit += ServiceDisplayName;
    return unit + "\n" +
           "[Unit]\n"
           "Description=" +
           EscapeSpecifiers(description) +
           "\n"
           "Wants=network-online.target\n"
           "After=network-online.target\n"
           "\n"
           "[Service]\n"
           // The monitor says when it is ready, reloading or stopping, and pings the watchdog
           // from its loop: a loop that hangs is restarted.
           "Type=notify\n"
           "NotifyAccess=main\n"
           "WatchdogSec=60\n"
           "User=" +
           EscapeSpecifiers(account.User) + "\nGroup=" + EscapeSpecifiers(account.Group) +
           "\nWorkingDirectory=" + EscapeSpecifiers(folder) + "\nExecStart=" + program + " --headless " +
           configArgument +
           "\n"
           "ExecReload=/bin/kill -HUP $MAINPID\n"
           "Restart=on-failure\n"
           "\n"
           "[Install]\n"
           "WantedBy=multi-user.target\n";
}

TServiceResult TServiceControl::Install(const std::string& programPath, const std::string& configPath) const {
    TServiceResult result;
    auto fail = [&](int code) {
        result.ErrorCode = code;
        result.Message = FormatMsg(MsgServiceInstallError, {std::to_string(code)});
        return result;
    };
    if (!env_.IsAdministrator()) {
        result.ErrorCode = EPERM;
        result.Message = Msg(MsgServiceNeedsRoot);
        return result;
    }
    TServiceAccount account;
    std::string refusal = ServiceTreeProblem(programPath, configPath);
    std::string text;
    if (!refusal.empty())
        refusal = FormatMsg(MsgServiceConfigRefused, {AbsolutePath(configPath), refusal});
    else
        refusal = ServiceAccountFor(configPath, account);
    if (refusal.empty())
        text = BuildUnit(programPath, configPath, account, refusal);
    if (!refusal.empty()) {
        result.ErrorCode = EACCES;
        result.Message = refusal;
        return result;
    }
    const std::string unit = UnitPath();
    if (const int error = WriteTextFileAtomically(unit, text, 0644); error != 0)
        return fail(error);
    int rc = env_.Runner({"systemctl", "daemon-reload"});
    if (rc == 0)
        rc = env_.Runner({"systemctl", "enable", ServiceUnitName});
    if (rc != 0) {
        // A unit that cannot be enabled is not left behind half installed.
        ::unlink(unit.c_str());
        env_.Runner({"systemctl", "daemon-reload"});
        return fail(CommandError(rc));
    }
    result.Ok = true;
    result.Message = FormatMsg(MsgServiceInstalled, {"\n", AppTitle, "\n", "\n"});
    return result;
}

TServiceResult TServiceControl::Uninstall() const {
    TServiceResult result;
    auto fail = [&](int code) {
        result.ErrorCode = code;
        result.Message = FormatMsg(MsgServiceUninstallError, {std::to_string(code)});
        return result;
    };
    if (!env_.IsAdministrator()) {
        result.ErrorCode = EPERM;
        result.Message = Msg(MsgServiceNeedsRoot);
        return result;
    }
    if (!IsInstalled())
        return fail(ENOENT);
    if (const int rc = env_.Runner({"systemctl", "disable", ServiceUnitName}); rc != 0)
        return fail(CommandError(rc));
    if (::unlink(UnitPath().c_str()) != 0)
        return fail(errno);
    env_.Runner({"systemctl", "daemon-reload"});
    result.Ok = true;
    result.Message = FormatMsg(MsgServiceUninstalled, {"\n"});
    return result;
}

bool TServiceControl::IsInstalled() const {
    return RegularFileExists(UnitPath());
}

bool TServiceControl::IsRunning() const {
    return IsInstalled() && env_.Runner({"systemctl", "is-active", "--quiet", ServiceUnitName}) == 0;
}

bool TServiceControl::IsThisProcessTheService() const {
    return IsInstalled() && env_.OwnUnit() == ServiceUnitName;
}

bool TServiceControl::DetectService(const std::vector<std::string>& args) const {
    for (const std::string& arg : args) {
        if (IsServiceSwitch(arg, "install") || IsServiceSwitch(arg, "uninstall"))
            return true;
    }
    return IsThisProcessTheService();
}

} // namespace hostaq
