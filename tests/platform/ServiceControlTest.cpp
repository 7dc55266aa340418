#include "platform/ServiceControl.h"
#include "TempDir.h"

#include <cerrno>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>

namespace hostaq {
namespace {

using test::ReadFileText;
using test::TTempDir;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using TArgs = std::vector<std::string>;

// systemctl and the system around it, pointed at a temporary unit folder.
class ServiceControlTest : public ::testing::Test {
protected:
    TServiceControl Control() {
        TServiceEnvironment env;
        env.UnitFolder = dir_.Path();
        env.Runner = [this](const TArgs& argv) {
            calls_.push_back(argv);
            const std::string verb = argv.size() > 1 ? argv[1] : "";
            return status_.count(verb) != 0 ? status_[verb] : 0;
        };
        env.IsAdministrator = [this] { return root_; };
        env.OwnUnit = [this] { return ownUnit_; };
        return TServiceControl(env);
    }
    std::string UnitFile() const { return dir_.File("Hostaq_Updater_Service.service"); }

    TTempDir dir_;
    std::vector<TArgs> calls_;
    std::map<std::string, int> status_; // exit status of systemctl per verb
    bool root_ = true;
    std::string ownUnit_;
};

TEST_F(ServiceControlTest, InstallWritesTheUnitAndEnablesIt) {
    const TServiceResult result = Control().Install("/usr/local/bin/hostaq", "/etc/hostaq/hostaq.ini");
    ASSERT_TRUE(result.Ok) << result.Message;
    EXPECT_EQ(result.ErrorCode, 0);
    EXPECT_EQ(ReadFileText(UnitFile()),
              "# Hostaq Updater Service\n"
              "[Unit]\n"
              "Description=Allow monitoring and updating your IP address into dynamic dns service provider\n"
              "Wants=network-online.target\n"
              "After=network-online.target\n"
              "\n"
              "[Service]\n"
              "Type=simple\n"
              "WorkingDirectory=/etc/hostaq\n"
              "ExecStart=\"/usr/local/bin/hostaq\" --headless \"./hostaq.ini\"\n"
              "Restart=on-failure\n"
              "\n"
              "[Install]\n"
              "WantedBy=multi-user.target\n");
    EXPECT_THAT(calls_, ElementsAre(TArgs{"systemctl", "daemon-reload"},
                                    TArgs{"systemctl", "enable", "Hostaq_Updater_Service.service"}));
    EXPECT_EQ(result.Message,
              "The service has been installed successfully.\nTo start the service, please exit "
              "Hostaq Updater and start the service from the service manager.\nTo start the service "
              "from command line, use: systemctl start Hostaq_Updater_Service\nYou can also start the "
              "service by restarting the computer");
    EXPECT_TRUE(Control().IsInstalled());
}

TEST_F(ServiceControlTest, UnitQuotesPathsSoSystemdReadsThemBack) {
    // Blanks, quotes, backslashes, specifiers and variables must reach the program unchanged.
    const std::string unit = TServiceControl::BuildUnit("/opt/My Apps/100%", "/home/a b/50%/x\"$HOME\\y.ini");
    EXPECT_THAT(unit, HasSubstr("WorkingDirectory=/home/a b/50%%\n"));
    EXPECT_THAT(unit, HasSubstr("ExecStart=\"/opt/My Apps/100%%\" --headless \"./x\\\"$$HOME\\\\y.ini\"\n"));
    // A path given relative to the folder of the install is made absolute.
    const std::string relative = TServiceControl::BuildUnit("/usr/bin/hostaq", "conf/../hostaq.ini");
    EXPECT_THAT(relative, HasSubstr("WorkingDirectory=" + std::filesystem::current_path().string() + "\n"));
    EXPECT_THAT(relative, HasSubstr("--headless \"./hostaq.ini\"\n"));
    // Without a configuration path the service finds its file the usual way.
    const std::string bare = TServiceControl::BuildUnit("/usr/bin/hostaq", "");
    EXPECT_THAT(bare, HasSubstr("--headless\n"));
    EXPECT_THAT(bare, ::testing::Not(HasSubstr("WorkingDirectory")));
}

TEST_F(ServiceControlTest, InstallAndUninstallAreRefusedWithoutRoot) {
    root_ = false;
    TServiceResult result = Control().Install("/usr/bin/hostaq", "/etc/hostaq.ini");
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.ErrorCode, EPERM);
    EXPECT_THAT(result.Message, HasSubstr("needs administrator rights"));
    EXPECT_THAT(result.Message, HasSubstr("root"));
    EXPECT_FALSE(Control().IsInstalled());
    result = Control().Uninstall();
    EXPECT_FALSE(result.Ok);
    EXPECT_THAT(result.Message, HasSubstr("needs administrator rights"));
    EXPECT_TRUE(calls_.empty());
}

TEST_F(ServiceControlTest, FailedEnableLeavesNoUnitBehind) {
    status_["enable"] = 1;
    const TServiceResult result = Control().Install("/usr/bin/hostaq", "/etc/hostaq.ini");
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Message, "An error occured while installing the service (Error code: 1).");
    EXPECT_FALSE(Control().IsInstalled());
    EXPECT_EQ(calls_.back(), (TArgs{"systemctl", "daemon-reload"}));
}

TEST_F(ServiceControlTest, UnwritableUnitFolderReportsTheSystemError) {
    TServiceEnvironment env;
    env.UnitFolder = dir_.File("missing");
    env.Runner = [this](const TArgs& argv) {
        calls_.push_back(argv);
        return 0;
    };
    env.IsAdministrator = [] { return true; };
    const TServiceResult result = TServiceControl(env).Install("/usr/bin/hostaq", "");
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.ErrorCode, ENOENT);
    EXPECT_EQ(result.Message, "An error occured while installing the service (Error code: 2).");
    EXPECT_TRUE(calls_.empty());
}

TEST_F(ServiceControlTest, UninstallDisablesAndRemovesTheUnit) {
    ASSERT_TRUE(Control().Install("/usr/bin/hostaq", "/etc/hostaq.ini").Ok);
    calls_.clear();
    const TServiceResult result = Control().Uninstall();
    ASSERT_TRUE(result.Ok);
    EXPECT_EQ(result.Message,
              "The service has been uninstalled successfully.\nYou may need to restart your system to finish "
              "the process.");
    EXPECT_THAT(calls_, ElementsAre(TArgs{"systemctl", "disable", "Hostaq_Updater_Service.service"},
                                    TArgs{"systemctl", "daemon-reload"}));
    EXPECT_FALSE(Control().IsInstalled());
}

TEST_F(ServiceControlTest, UninstallFailuresCarryTheErrorCode) {
    TServiceResult result = Control().Uninstall();
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Message, "An error occured while uninstalling the service (Error code: 2).");

    ASSERT_TRUE(Control().Install("/usr/bin/hostaq", "").Ok);
    status_["disable"] = 5;
    result = Control().Uninstall();
    EXPECT_EQ(result.Message, "An error occured while uninstalling the service (Error code: 5).");
    EXPECT_TRUE(Control().IsInstalled());
}

TEST_F(ServiceControlTest, DetectServiceKnowsTheProcessSystemdStarted) {
    // The switches make the process the service in any spelling.
    for (const char* arg : {"install", "-install", "/INSTALL", "\\Uninstall", "-UnInstall"})
        EXPECT_TRUE(Control().DetectService({arg})) << arg;
    EXPECT_FALSE(Control().DetectService({"--headless", "installer.ini"}));

    ownUnit_ = "Hostaq_Updater_Service.service";
    EXPECT_FALSE(Control().DetectService({})) << "no unit installed";
    ASSERT_TRUE(Control().Install("/usr/bin/hostaq", "").Ok);
    EXPECT_TRUE(Control().DetectService({"--headless"}));
    ownUnit_ = "user@1000.service"; // a desktop instance beside the installed service
    EXPECT_FALSE(Control().DetectService({"--headless"}));
}

TEST_F(ServiceControlTest, RunningStateComesFromSystemctl) {
    EXPECT_FALSE(Control().IsRunning()) << "not installed";
    ASSERT_TRUE(Control().Install("/usr/bin/hostaq", "").Ok);
    calls_.clear();
    EXPECT_TRUE(Control().IsRunning());
    EXPECT_THAT(calls_,
                ElementsAre(TArgs{"systemctl", "is-active", "--quiet", "Hostaq_Updater_Service.service"}));
    status_["is-active"] = 3;
    EXPECT_FALSE(Control().IsRunning());
}

TEST(CommandRunnerTest, ReportsExitStatusAndStartFailure) {
    EXPECT_EQ(RunCommand({"true"}), 0);
    EXPECT_EQ(RunCommand({"sh", "-c", "exit 7"}), 7);
    EXPECT_EQ(RunCommand({"/nonexistent/hostaq-no-such-program"}), -ENOENT);
}

} // namespace
} // namespace hostaq
