#include "platform/ServiceControl.h"

#include "config/Messages.h"
#include "config/Version.h"
#include "platform/PlatformMessages.h"
#include "platform/TextFile.h"

#include <cerrno>
#include <filesystem>
#include <strings.h>
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
} // namespace

bool IsServiceSwitch(const std::string& arg, const char* name) {
    std::string bare = arg;
    if (!bare.empty() && (bare[0] == '-' || bare[0] == '/' || bare[0] == '\\'))
        bare.erase(0, 1);
    return ::strcasecmp(bare.c_str(), name) == 0;
}

std::string QuoteUnitArgument(const std::string& arg) {
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
        case '\n':
            out += "\\n";
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

std::string TServiceControl::BuildUnit(const std::string& programPath, const std::string& configPath) {
    // The command line takes an argument starting with "/" for a switch, so the configuration
    // file is named relative to its folder, which becomes the working directory.
    std::string exec = QuoteUnitArgument(programPath) + " --headless";
    std::string workingDirectory;
    if (!configPath.empty()) {
        std::error_code ec;
        std::filesystem::path absolute = std::filesystem::absolute(configPath, ec).lexically_normal();
        if (ec)
            absolute = configPath;
        workingDirectory = "WorkingDirectory=" + EscapeSpecifiers(absolute.parent_path().string()) + "\n";
        std::string relative = "./";
        relative += absolute.filename().string();
        exec += ' ';
        exec += QuoteUnitArgument(relative);
    }
    std::string unit = "# ";
    unit += ServiceDisplayName;
    return unit + "\n" +
           "[Unit]\n"
           "Description=" +
           EscapeSpecifiers(Msg(MsgServiceDescription)) +
           "\n"
           "Wants=network-online.target\n"
           "After=network-online.target\n"
           "\n"
           "[Service]\n"
           "Type=simple\n" +
           workingDirectory + "ExecStart=" + exec +
           "\n"
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
    const std::string unit = UnitPath();
    if (const int error = WriteTextFileAtomically(unit, BuildUnit(programPath, configPath), 0644); error != 0)
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
