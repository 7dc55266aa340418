// The command line: which command, which configuration file, and whether there is a desktop.
#include "app/CommandLine.h"
#include "config/ConfigPath.h"

#include <gtest/gtest.h>

#include <map>

namespace hostaq {
namespace {

using TArgs = std::vector<std::string>;

// The configuration file a command line names, as the program works it out.
std::string ConfigFileOf(const TCommandLine& cl) {
    return CommandLineCandidate(cl.ConfigArgs, "/opt/hostaq/bin/hostaq");
}

TEST(CommandLineTest, AnAbsolutePathIsTheConfigurationOfEveryCommand) {
    const std::string config = "/etc/hostaq/hostaq.ini";
    struct TCase {
        TArgs Args;
        TCommand Command;
    };
    const TCase cases[] = {
        {{"--once", config}, TCommand::Once},
        {{"--once", "--force", config}, TCommand::Once},
        {{"--headless", config}, TCommand::Headless},
        {{config}, TCommand::Gui},
        {{"--dump-config", "/var/tmp/dump.txt", config}, TCommand::DumpConfig},
        {{"--group-add", "Home", "--user", "joe", "--hosts", "a.example", "--profile", "/usr/share/p.ini",
          config},
         TCommand::GroupAdd},
        {{"install", config}, TCommand::Install},
        {{config, "/INSTALL"}, TCommand::Install},
    };
    for (const TCase& c : cases) {
        const TCommandLine cl = ParseCommandLine(c.Args);
        SCOPED_TRACE(c.Args.front());
        EXPECT_EQ(cl.Error, "");
        EXPECT_EQ(cl.Command, c.Command);
        EXPECT_EQ(ConfigFileOf(cl), config);
    }
    const TCommandLine dump = ParseCommandLine({"--dump-config", "/var/tmp/dump.txt", config});
    EXPECT_EQ(dump.DumpFile, "/var/tmp/dump.txt");
    const TCommandLine add = ParseCommandLine(cases[5].Args);
    EXPECT_EQ(add.GroupProfile, "/usr/share/p.ini");
    // An absolute path keeps its folder; only the extension becomes ".ini".
    EXPECT_EQ(ConfigFileOf(ParseCommandLine({"--once", "/srv/dyn/home.cfg"})), "/srv/dyn/home.ini");
}

TEST(CommandLineTest, ServiceSwitchesInEveryFormAndCase) {
    for (const char* arg : {"install", "-install", "/install", "\\install", "/Install", "INSTALL"}) {
        const TCommandLine cl = ParseCommandLine({arg});
        EXPECT_EQ(cl.Command, TCommand::Install) << arg;
        EXPECT_EQ(cl.Error, "");
        EXPECT_TRUE(cl.ConfigArgs.empty()) << arg;
    }
    for (const char* arg : {"uninstall", "-UNINSTALL", "/uninstall", "/UnInstall", "\\uninstall"}) {
        const TCommandLine cl = ParseCommandLine({arg});
        EXPECT_EQ(cl.Command, TCommand::Uninstall) << arg;
        EXPECT_TRUE(cl.ConfigArgs.empty()) << arg;
    }
    EXPECT_EQ(ConfigFileOf(ParseCommandLine({"/install"})), "");
}

TEST(CommandLineTest, RelativePathsAndBareNamesKeepTheirMeaning) {
    // A path with a folder is relative to the current folder; a bare name lies beside the program.
    EXPECT_EQ(ConfigFileOf(ParseCommandLine({"--once", "conf/home.cfg"})), "conf/home.ini");
    EXPECT_EQ(ConfigFileOf(ParseCommandLine({"--headless", "./hostaq.ini"})), "./hostaq.ini");
    EXPECT_EQ(ConfigFileOf(ParseCommandLine({"home"})), "/opt/hostaq/bin/home.ini");
    EXPECT_EQ(ConfigFileOf(ParseCommandLine({"--headless"})), "");
}

TEST(CommandLineTest, UnknownOptionsAndMissingValuesAreErrors) {
    EXPECT_EQ(ParseCommandLine({"--bogus"}).Error, "unknown option --bogus");
    EXPECT_EQ(ParseCommandLine({"-headless"}).Error, "unknown option -headless");
    EXPECT_EQ(ParseCommandLine({"--dump-config"}).Error, "--dump-config needs a value");
    EXPECT_EQ(ParseCommandLine({"/etc/hostaq.ini", "--user"}).Error, "--user needs a value");
}

TEST(CommandLineTest, UsageNamesAbsolutePathsAndExitStatuses) {
    const std::string usage = UsageText();
    EXPECT_NE(usage.find("/etc/hostaq/hostaq.ini"), std::string::npos);
    EXPECT_NE(usage.find("Exit status"), std::string::npos);
}

TEST(CommandLineTest, ADisplayIsANonEmptyDisplayOrWaylandDisplay) {
    auto with = [](std::map<std::string, std::string> vars) {
        return HasDisplay([vars](const char* name) -> const char* {
            auto it = vars.find(name);
            return it == vars.end() ? nullptr : it->second.c_str();
        });
    };
    EXPECT_FALSE(with({}));
    EXPECT_FALSE(with({{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}));
    EXPECT_TRUE(with({{"DISPLAY", ":0"}}));
    EXPECT_TRUE(with({{"WAYLAND_DISPLAY", "wayland-0"}}));
    EXPECT_TRUE(with({{"DISPLAY", ""}, {"WAYLAND_DISPLAY", "wayland-1"}}));
}

} // namespace
} // namespace hostaq
