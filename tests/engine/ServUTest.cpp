// The ServU file belongs to the FTP server: it is edited where it lies, whoever runs the update.
#include "engine/ServU.h"

#include "TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hostaq;
using hostaq::test::ReadFileText;
using hostaq::test::TTempDir;
using hostaq::test::WriteFileText;

namespace {

TEST(ServUTest, EditedInPlaceKeepingInodeOwnerModeAndUnchangedLines) {
    TTempDir dir;
    const std::string file = dir.File("ServUDaemon.ini");
    const std::string link = dir.File("servu-link.ini");
    WriteFileText(file, "[GLOBAL]\r\nVersion=6.4\r\nReloadSettings=False\r\n[Domains]\r\n"
                        "Domain1=|192.0.2.1|21|ftp.example|1\r\n; note\r\nDomain2=x|198.51.100.9|21\r\n");
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0); // the FTP server's user
    }
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    ASSERT_EQ(::symlink(file.c_str(), link.c_str()), 0);
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);

    ASSERT_TRUE(UpdateServUAddress(link, "203.0.113.7"));

    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode, before.st_mode);
    struct stat linkStat {};
    ASSERT_EQ(::lstat(link.c_str(), &linkStat), 0);
    EXPECT_TRUE(S_ISLNK(linkStat.st_mode));
    EXPECT_EQ(ReadFileText(file),
              "[GLOBAL]\r\nVersion=6.4\r\nReloadSettings=TRUE\r\n[Domains]\r\n"
              "Domain1=|203.0.113.7|21|ftp.example|1\r\n; note\r\nDomain2=x|203.0.113.7|21\r\n");
}

} // namespace
