#include "app/CommandLine.h"

#include <cstdlib>
#include <strings.h>

namespace hostaq {

namespace {
// The service switches may be written "install", "-install", "/install" or "\\install", any case.
bool IsSwitch(const std::string& arg, const char* name) {
    std::string bare = arg;
    if (!bare.empty() && (bare[0] == '-' || bare[0] == '/' || bare[0] == '\\'))
        bare.erase(0, 1);
    return strcasecmp(bare.c_str(), name) == 0;
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> out;
    std::string item;
    for (char c : text) {
        if (c == ',') {
            if (!item.empty())
                out.push_back(item);
            item.clear();
        } else if (c != ' ') {
            item += c;
        }
    }
    if (!item.empty())
        out.push_back(item);
    return out;
}
} // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    TCommandLine cl;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                cl.Error = arg + " needs a value";
                return;
            }
            out = args[++i];
        };
        if (arg == "--help" || arg == "-h")
            cl.Command = TCommand::Help;
        else if (arg == "--version")
            cl.Command = TCommand::Version;
        else if (arg == "--headless")
            cl.Command = TCommand::Headless;
        else if (arg == "--once")
            cl.Command = TCommand::Once;
        else if (arg == "--force")
            cl.Force = true;
        else if (arg == "--status")
            cl.Command = TCommand::Status;
        else if (arg == "--json")
            cl.Json = true;
        else if (arg == "--scramble")
            cl.Command = TCommand::Scramble;
        else if (arg == "--dump-config") {
            cl.Command = TCommand::DumpConfig;
            value(cl.DumpFile);
        } else if (arg == "--group-add") {
            cl.Command = TCommand::GroupAdd;
            value(cl.GroupName);
        } else if (arg == "--user")
            value(cl.GroupUser);
        else if (arg == "--hosts") {
            std::string list;
            value(list);
            cl.GroupHosts = SplitList(list);
        } else if (arg == "--system")
            value(cl.GroupSystem);
        else if (arg == "--profile")
            value(cl.GroupProfile);
        else if (arg == "--insecure")
            cl.GroupInsecure = true;
        else if (arg == "--ipv6")
            cl.GroupIPv6 = true;
        else if (arg == "--ipv6-suffix")
            value(cl.GroupIPv6Suffix);
        else if (IsSwitch(arg, "install"))
            cl.Command = TCommand::Install;
        else if (IsSwitch(arg, "uninstall"))
            cl.Command = TCommand::Uninstall;
        else if (!arg.empty() && arg[0] == '-')
            cl.Error = "unknown option " + arg;
        else
            cl.ConfigArgs.push_back(arg);
        if (!cl.Error.empty())
            break;
    }
    if (cl.Error.empty() && cl.Json && cl.Command != TCommand::Status)
        cl.Error = "--json goes with --status";
    return cl;
}

bool HasDisplay(const TEnvLookup& env) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = env(name);
        if (value && *value)
            return true;
    }
    return false;
}

bool HasDisplay() {
    return HasDisplay([](const char* name) -> const char* { return std::getenv(name); });
}

std::string UsageText() {
    return "Usage: hostaq [OPTION] [CONFIG]\n"
           "Keeps the hostnames of a dynamic DNS service pointed at this machine's public IPv4 address.\n"
           "\n"
           "  hostaq [CONFIG]                      the tray application\n"
           "  hostaq --headless [CONFIG]           the monitor without a window; log entries also go to\n"
           "                                       standard output; SIGTERM or SIGINT stop it\n"
           "  hostaq --once [--force] [CONFIG]     one address check and, when due (always with --force),\n"
           "                                       one update run\n"
           "  hostaq --dump-config FILE [CONFIG]   writes the configuration report to FILE\n"
           "  hostaq --scramble                    reads a password from standard input and prints its\n"
           "                                       stored (scrambled) form\n"
           "  hostaq --group-add NAME --user USER --hosts A,B,... [--system hostaq|statdns|custom]\n"
           "         [--profile FILE] [--insecure] [--ipv6 [--ipv6-suffix ::X]] [CONFIG]\n"
           "                                       saves a group; the password is read from standard input;\n"
           "                                       --ipv6 also keeps the AAAA records, the suffix names\n"
           "                                       another host on this machine's /64\n"
           "  hostaq --status [--json] [CONFIG]    the groups, the current address, the next check and\n"
           "                                       the running monitor; --json prints one JSON object\n"
           "  hostaq install | uninstall           installs or removes the system service\n"
           "  hostaq --help                        this text\n"
           "  hostaq --version                     the version\n"
           "\n"
           "CONFIG is the configuration file: the first argument that does not begin with \"-\" and is\n"
           "not a service switch. An absolute path (/etc/hostaq/hostaq.ini) and a path with a folder\n"
           "(conf/home.ini, relative to the current folder) name the file itself; a name without a\n"
           "folder is looked for beside the program. Its extension becomes \".ini\". Without CONFIG,\n"
           "hostaq.ini beside the program is used when it can be written, else\n"
           "$XDG_CONFIG_HOME/Vemo Solution/Hostaq Updater/hostaq.ini.\n"
           "\n"
           "Exit status: 0 success; 1 failure (for --once: the update failed or no public address\n"
           "was found; for --status: a group fails or is blocked, or no public address is known);\n"
           "2 a command line that could not be understood.\n";
}

} // namespace hostaq
