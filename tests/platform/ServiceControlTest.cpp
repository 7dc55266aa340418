#include "platform/ServiceControl.h"
#include "LocalUser.h"
#include "TempDir.h"
#include "platform/ServiceMode.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <gmock/gmock.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <map>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hostaq {
namespace {

using test::ReadFileText;
using test::TTempDir;
using test::WriteFileText;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using TArgs = std::vector<std::string>;

// systemctl and the system around it, pointed at a temporary unit folder; the configuration
// lives in a folder of its own inside it.
class ServiceControlTest : public ::testing::Test {
protected:
    ServiceControlTest() {
        std::filesystem::create_directory(Folder());
        std::filesystem::permissions(Folder(), std::filesystem::perms(0755));
        WriteFileText(Config(), "[Options]\n");
        ::chmod(Config().c_str(), 0600);
        std::filesystem::create_directory(dir_.File("bin"));
        std::filesystem::permissions(dir_.File("bin"), std::filesystem::perms(0755));
        WriteFileText(Program(), "#!/bin/sh\n");
        ::chmod(Program().c_str(), 0755);
    }
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
    std::string Folder() const { return dir_.File("conf"); }
    std::string Config() const { return Folder() + "/hostaq.ini"; }
    std::string Program() const { return dir_.File("bin/hostaq"); }

    // The refusal of an install: the message says why, and nothing is written or run.
    void ExpectRefused(const std::string& why) {
        const TServiceResult result = Control().Install(Program(), Config());
        EXPECT_FALSE(result.Ok);
        EXPECT_EQ(result.Message.rfind("The service cannot be installed for ", 0), 0u) << result.Message;
        EXPECT_THAT(result.Message, HasSubstr(why));
        EXPECT_FALSE(Control().IsInstalled());
        EXPECT_TRUE(calls_.empty());
    }

    TTempDir dir_;
    std::vector<TArgs> calls_;
    std::map<std::string, int> status_; // exit status of systemctl per verb
    bool root_ = true;
    std::string ownUnit_;
};

std::string UserName(uid_t uid) {
    const struct passwd* pw = ::getpwuid(uid);
    return pw != nullptr ? pw->pw_name : std::to_string(uid);
}
std::string GroupName(gid_t gid) {
    const struct group* gr = ::getgrgid(gid);
    return gr != nullptr ? gr->gr_name : std::to_string(gid);
}

TEST_F(ServiceControlTest, InstallWritesTheUnitAndEnablesIt) {
    const TServiceResult result = Control().Install(Program(), Config());
    ASSERT_TRUE(result.Ok) << result.Message;
    EXPECT_EQ(result.ErrorCode, 0);
    const struct passwd* me = ::getpwuid(::geteuid());
    ASSERT_NE(me, nullptr);
    EXPECT_EQ(ReadFileText(UnitFile()),
              "# Hostaq Updater Service\n"
              "[Unit]\n"
              "Description=Allow monitoring and updating your IP address into dynamic dns service provider\n"
              "Wants=network-online.target\n"
              "After=network-online.target\n"
              "\n"
              "[Service]\n"
              "Type=notify\n"
              "NotifyAccess=main\n"
              "WatchdogSec=60\n"
              "User=" +
                  UserName(me->pw_uid) + "\nGroup=" + GroupName(me->pw_gid) +
                  "\n"
                  "WorkingDirectory=" +
                  Folder() + "\nExecStart=\"" + Program() + "\" --headless \"" + Config() +
                  "\"\n"
                  "ExecReload=/bin/kill -HUP $MAINPID\n"
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
    TServiceAccount account;
    account.User = "nobody";
    account.Group = "nogroup";
    std::string error;
    // Blanks, quotes, backslashes, specifiers and variables must reach the program unchanged.
    const std::string unit =
        TServiceControl::BuildUnit("/opt/My Apps/100%", "/home/a b/50%/x\"$HOME\\y.ini", account, error);
    EXPECT_EQ(error, "");
    EXPECT_THAT(unit, HasSubstr("WorkingDirectory=/home/a b/50%%\n"));
    EXPECT_THAT(
        unit,
        HasSubstr("ExecStart=\"/opt/My Apps/100%%\" --headless \"/home/a b/50%%/x\\\"$$HOME\\\\y.ini\"\n"));
    // A path given relative to the folder of the install is made absolute.
    const std::string relative =
        TServiceControl::BuildUnit("/usr/bin/hostaq", "conf/../hostaq.ini", account, error);
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_THAT(relative, HasSubstr("WorkingDirectory=" + cwd + "\n"));
    EXPECT_THAT(relative, HasSubstr("--headless \"" + cwd + "/hostaq.ini\"\n"));

    // What a unit file cannot carry is refused, never written: a line break would start a line
    // of its own, a trailing backslash would join the next line to the folder.
    for (const std::string& bad : {std::string("/home/a\nExecStartPre=/bin/evil/x.ini"),
                                   std::string("/home/a\\/hostaq.ini"), std::string("/home/a\x1b[2J/x.ini"),
                                   std::string("/home/\xff/x.ini"), std::string("/home/a /x.ini")}) {
        error.clear();
        EXPECT_EQ(TServiceControl::BuildUnit("/usr/bin/hostaq", bad, account, error), "") << bad;
        EXPECT_THAT(error, HasSubstr("a unit file cannot name it")) << bad;
    }
    error.clear();
    EXPECT_EQ(TServiceControl::BuildUnit("/usr/bin/host\raq", "/etc/hostaq.ini", account, error), "");
    EXPECT_FALSE(error.empty());
}

TEST_F(ServiceControlTest, RunsAsTheAccountThatOwnsTheConfiguration) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "handing the file to another user needs root";
    const struct passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    ASSERT_EQ(::chown(Config().c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    TServiceAccount account;
    ASSERT_EQ(ServiceAccountFor(Config(), account), "");
    EXPECT_EQ(account.Uid, nobody->pw_uid);
    EXPECT_EQ(account.User, "nobody");
    EXPECT_EQ(account.Group, GroupName(nobody->pw_gid));

    // Through a link the owner of the file it names counts, and the link is what the unit names.
    const std::string link = Folder() + "/link.ini";
    ASSERT_EQ(::symlink(Config().c_str(), link.c_str()), 0);
    ASSERT_TRUE(Control().Install("/bin/true", link).Ok);
    const std::string unit = ReadFileText(UnitFile());
    EXPECT_THAT(unit, HasSubstr("\nUser=nobody\nGroup=" + GroupName(nobody->pw_gid) + "\n"));
    EXPECT_THAT(unit, HasSubstr("--headless \"" + link + "\"\n"));

    // A file that does not exist yet belongs to whoever owns its folder: root here.
    ASSERT_EQ(ServiceAccountFor(Folder() + "/new.ini", account), "");
    EXPECT_EQ(account.User, "root");
}

TEST_F(ServiceControlTest, RefusesAConfigurationOthersMayChange) {
    std::filesystem::permissions(Folder(), std::filesystem::perms(0777));
    ExpectRefused(
        "the folder " + Folder() +
        " may be changed by other users (it is group- or world-writable without the sticky bit), who "
        "could put another file in its place.");
    // Sticky, like /tmp: fine on the way, but not where the file, its lock and temporaries live.
    std::filesystem::permissions(Folder(), std::filesystem::perms(01777));
    ExpectRefused("its folder " + Folder() + " may be changed");
    std::filesystem::permissions(Folder(), std::filesystem::perms(0755));
    ::chmod(Config().c_str(), 0666);
    ExpectRefused("the file " + Config() + " may be changed by users other than its owner");
    ::chmod(Config().c_str(), 0600);

    // A link whose file lies in a folder anyone may write.
    const std::string open = dir_.File("open");
    std::filesystem::create_directory(open);
    std::filesystem::permissions(open, std::filesystem::perms(0777));
    WriteFileText(open + "/real.ini", "");
    ::chmod((open + "/real.ini").c_str(), 0600);
    ASSERT_EQ(::unlink(Config().c_str()), 0);
    ASSERT_EQ(::symlink((open + "/real.ini").c_str(), Config().c_str()), 0);
    ExpectRefused("the folder " + open + " may be changed");

    const TServiceResult missing = Control().Install(Program(), dir_.File("none/hostaq.ini"));
    EXPECT_THAT(missing.Message, HasSubstr("it cannot be examined (No such file or directory)"));
}

TEST_F(ServiceControlTest, RefusesAFolderThatBelongsToAnotherUser) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "handing the folder to another user needs root";
    const struct passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    // nobody may replace root's file in a folder nobody owns: a root service must not trust it.
    ASSERT_EQ(::chown(Folder().c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    ExpectRefused("the folder " + Folder() + " belongs to another user");
}

TEST_F(ServiceControlTest, SystemdAcceptsTheGeneratedUnit) {
    if (::access("/usr/bin/systemd-analyze", X_OK) != 0)
        GTEST_SKIP() << "systemd-analyze is not installed";
    if (::geteuid() == 0) {
        const struct passwd* nobody = ::getpwnam("nobody");
        ASSERT_NE(nobody, nullptr);
        ASSERT_EQ(::chown(Config().c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    }
    ASSERT_TRUE(Control().Install("/bin/true", Config()).Ok);
    const std::string command = "systemd-analyze verify '" + UnitFile() + "' 2>&1";
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        output += buffer;
    EXPECT_EQ(::pclose(pipe), 0) << output;
    EXPECT_THAT(output, ::testing::Not(HasSubstr("Unknown key")));
    EXPECT_THAT(output, ::testing::Not(HasSubstr("bad unit file setting")));
}

TEST_F(ServiceControlTest, InstallAndUninstallAreRefusedWithoutRoot) {
    root_ = false;
    TServiceResult result = Control().Install(Program(), Config());
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
    const TServiceResult result = Control().Install(Program(), Config());
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
    const TServiceResult result = TServiceControl(env).Install(Program(), Config());
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.ErrorCode, ENOENT);
    EXPECT_EQ(result.Message, "An error occured while installing the service (Error code: 2).");
    EXPECT_TRUE(calls_.empty());
}

TEST_F(ServiceControlTest, UninstallDisablesAndRemovesTheUnit) {
    ASSERT_TRUE(Control().Install(Program(), Config()).Ok);
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

    ASSERT_TRUE(Control().Install(Program(), Config()).Ok);
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
    ASSERT_TRUE(Control().Install(Program(), Config()).Ok);
    EXPECT_TRUE(Control().DetectService({"--headless"}));
    ownUnit_ = "user@1000.service"; // a desktop instance beside the installed service
    EXPECT_FALSE(Control().DetectService({"--headless"}));
}

TEST_F(ServiceControlTest, RunningStateComesFromSystemctl) {
    EXPECT_FALSE(Control().IsRunning()) << "not installed";
    ASSERT_TRUE(Control().Install(Program(), Config()).Ok);
    calls_.clear();
    EXPECT_TRUE(Control().IsRunning());
    EXPECT_THAT(calls_,
                ElementsAre(TArgs{"systemctl", "is-active", "--quiet", "Hostaq_Updater_Service.service"}));
    status_["is-active"] = 3;
    EXPECT_FALSE(Control().IsRunning());
}

// A folder of the test with an owner, group and mode.
void MakeFolder(const std::string& path, uid_t uid, gid_t gid, unsigned mode) {
    std::filesystem::create_directories(path);
    ASSERT_EQ(::chown(path.c_str(), uid, gid), 0) << path;
    ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

// The whole way to the configuration is checked, not only its own folder: each case names the
// first component another local user could change.
TEST_F(ServiceControlTest, TrustWalkNamesTheFirstUnsafeComponent) {
    test::TLocalUser alice("alice");
    test::TLocalUser mallory("mall");
    if (!alice.Made() || !mallory.Made())
        GTEST_SKIP() << "needs root to make two local users";
    const std::string base = dir_.File("tree");
    MakeFolder(base, 0, 0, 0755);

    // root's configuration below a folder alice owns: she could rename the folder away and put
    // her own file with her own programs in its place.
    MakeFolder(base + "/home/alice", alice.Uid(), alice.Gid(), 0755);
    ::chmod((base + "/home").c_str(), 0755);
    MakeFolder(base + "/home/alice/hostaq", 0, 0, 0755);
    WriteFileText(base + "/home/alice/hostaq/hostaq.ini", "");
    struct TCase {
        std::string Config;
        std::string Why;
    };
    std::vector<TCase> cases{{base + "/home/alice/hostaq/hostaq.ini",
                              "the folder " + base + "/home/alice belongs to another user"}};

    // Group-writable without the sticky bit, for a group mallory is in.
    MakeFolder(base + "/shared/conf", 0, 0, 0755);
    ASSERT_EQ(::chown((base + "/shared").c_str(), 0, mallory.Gid()), 0);
    ASSERT_EQ(::chmod((base + "/shared").c_str(), 0775), 0);
    WriteFileText(base + "/shared/conf/hostaq.ini", "");
    cases.push_back({base + "/shared/conf/hostaq.ini",
                     "the folder " + base +
                         "/shared may be changed by other users (it is group- or world-writable "
                         "without the sticky bit)"});

    // Mode bits that look safe, with an access control entry giving mallory write access.
    MakeFolder(base + "/acl/conf", 0, 0, 0755);
    ::chmod((base + "/acl").c_str(), 0755);
    WriteFileText(base + "/acl/conf/hostaq.ini", "");
    ASSERT_EQ(std::system(("setfacl -m u:" + mallory.Name() + ":rwx '" + base + "/acl'").c_str()), 0)
        << "setfacl (Debian's acl) is needed";
    cases.push_back(
        {base + "/acl/conf/hostaq.ini", "an access control entry of " + base + "/acl lets another user"});

    // A link on the way that mallory owns: she could point it at a tree of hers.
    MakeFolder(base + "/links", 0, 0, 0755);
    ASSERT_EQ(::symlink(Folder().c_str(), (base + "/links/cfg").c_str()), 0);
    ASSERT_EQ(::lchown((base + "/links/cfg").c_str(), mallory.Uid(), mallory.Gid()), 0);
    cases.push_back(
        {base + "/links/cfg/hostaq.ini", "the symbolic link " + base + "/links/cfg belongs to another user"});

    for (const TCase& c : cases) {
        const TServiceResult result = Control().Install(Program(), c.Config);
        EXPECT_FALSE(result.Ok) << c.Config;
        EXPECT_THAT(result.Message, HasSubstr(c.Why)) << c.Config;
        EXPECT_FALSE(Control().IsInstalled());
    }
    EXPECT_TRUE(calls_.empty());

    // The same ways made safe are accepted: the sticky bit on the way, the link root's.
    ASSERT_EQ(::chmod((base + "/shared").c_str(), 01775), 0);
    EXPECT_TRUE(Control().Install(Program(), base + "/shared/conf/hostaq.ini").Ok);
    ASSERT_EQ(::lchown((base + "/links/cfg").c_str(), 0, 0), 0);
    EXPECT_TRUE(Control().Install(Program(), base + "/links/cfg/hostaq.ini").Ok);
}

// The two usual places: a system folder of root's, and the per-user folder of the account the
// service runs as.
TEST_F(ServiceControlTest, TrustWalkAcceptsRootsFoldersAndTheOwnersConfigFolder) {
    test::TLocalUser alice("alice");
    if (!alice.Made())
        GTEST_SKIP() << "needs root to make a local user";
    const std::string etc = dir_.File("etc/hostaq");
    MakeFolder(dir_.File("etc"), 0, 0, 0755);
    MakeFolder(etc, 0, 0, 0755);
    WriteFileText(etc + "/hostaq.ini", "");
    ::chmod((etc + "/hostaq.ini").c_str(), 0600);
    const TServiceResult system = Control().Install(Program(), etc + "/hostaq.ini");
    EXPECT_TRUE(system.Ok) << system.Message;
    EXPECT_THAT(ReadFileText(UnitFile()), HasSubstr("\nUser=root\n"));

    const std::string home = dir_.File("home/" + alice.Name());
    MakeFolder(dir_.File("home"), 0, 0, 0755);
    MakeFolder(home, alice.Uid(), alice.Gid(), 0700);
    MakeFolder(home + "/.config", alice.Uid(), alice.Gid(), 0700);
    MakeFolder(home + "/.config/Vemo Solution", alice.Uid(), alice.Gid(), 0755);
    const std::string folder = home + "/.config/Vemo Solution/Hostaq Updater";
    MakeFolder(folder, alice.Uid(), alice.Gid(), 0755);
    WriteFileText(folder + "/hostaq.ini", "");
    ASSERT_EQ(::chown((folder + "/hostaq.ini").c_str(), alice.Uid(), alice.Gid()), 0);
    ::chmod((folder + "/hostaq.ini").c_str(), 0600);
    const TServiceResult user = Control().Install(Program(), folder + "/hostaq.ini");
    EXPECT_TRUE(user.Ok) << user.Message;
    EXPECT_THAT(ReadFileText(UnitFile()), HasSubstr("\nUser=" + alice.Name() + "\n"));
}

// The service runs the program as the account: a program, or its folder, that others may
// change would let them run their code as that account.
TEST_F(ServiceControlTest, ProgramOrItsFolderWritableByOthersIsRefused) {
    ::chmod(Program().c_str(), 0757);
    ExpectRefused("the program " + Program() +
                  " may be changed by users other than the configuration's owner");
    ::chmod(Program().c_str(), 0755);
    std::filesystem::permissions(dir_.File("bin"), std::filesystem::perms(0777));
    ExpectRefused("the program's folder " + dir_.File("bin") + " may be changed by other users");
    std::filesystem::permissions(dir_.File("bin"), std::filesystem::perms(0755));
    const TServiceResult missing = Control().Install(dir_.File("bin/none"), Config());
    EXPECT_FALSE(missing.Ok);
    EXPECT_THAT(missing.Message, HasSubstr("No such file or directory"));
}

// The tree is checked again when the service starts: it may have changed since the install.
TEST_F(ServiceControlTest, ServiceRefusesToStartOnATreeThatBecameUnsafe) {
    ASSERT_TRUE(Control().Install(Program(), Config()).Ok);
    EXPECT_TRUE(ServiceTreeIsSafe(Program(), Config(), stderr));
    std::filesystem::permissions(Folder(), std::filesystem::perms(0777));
    std::FILE* err = std::tmpfile();
    ASSERT_NE(err, nullptr);
    EXPECT_FALSE(ServiceTreeIsSafe(Program(), Config(), err));
    std::rewind(err);
    char buffer[512] = {};
    const std::size_t n = std::fread(buffer, 1, sizeof(buffer) - 1, err);
    std::fclose(err);
    EXPECT_THAT(std::string(buffer, n),
                HasSubstr("hostaq: The service does not run on " + Config() + ": the folder " + Folder() +
                          " may be changed by other users"));
}

TEST(CommandRunnerTest, ReportsExitStatusAndStartFailure) {
    EXPECT_EQ(RunCommand({"true"}), 0);
    EXPECT_EQ(RunCommand({"sh", "-c", "exit 7"}), 7);
    EXPECT_EQ(RunCommand({"/nonexistent/hostaq-no-such-program"}), -ENOENT);
}

} // namespace
} // namespace hostaq
