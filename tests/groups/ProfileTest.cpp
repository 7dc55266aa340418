#include "groups/Profile.h"
#include "groups/UpdateUrl.h"

#include "ProtocolFixture.h"

using namespace hostaq;
using test::WriteFileText;

namespace {

class ProfileTest : public test::TProtocolFixture {
protected:
    std::string Profile = Dir.File("provider.ini");

    std::string Expand(const std::string& raw, bool offline = false) {
        return ExpandTemplate(raw, Path, "G", offline, "192.0.2.7");
    }
};

TEST_F(ProfileTest, EmptyDefaultSectionAndTwoRequestLines) {
    TDynAcc g = Group({"x", "y"});
    g.Profile = Profile;
    Save("G", g);
    WriteFileText(Profile, "[default]\n[requests]\na=1\nb=%HOST%\n");
    const TProfileURL p = BuildProfileURL(Path, Profile, "G");
    EXPECT_EQ(p.URL, "http://members.hostaq.example:80/nic/update?a=1&b=%HOST%");
    EXPECT_EQ(p.UserName, "joe");
    EXPECT_EQ(p.Password, "secret");

    const TUpdateRequest r = BuildUpdateURL(Path, "G", "192.0.2.1", "", false);
    EXPECT_EQ(r.URL, "http://members.hostaq.example:80/nic/update?a=1&b=x,y");
    EXPECT_EQ(r.HostText, "x\r\ny\r\n");
    EXPECT_EQ(r.UserName, "joe");

    // An update server named with its port lends the profile its host only.
    Set("Options", "UpdateHost", "127.0.0.1:8245");
    EXPECT_EQ(BuildProfileURL(Path, Profile, "G").URL, "http://127.0.0.1:80/nic/update?a=1&b=%HOST%");
}

// Method, result texts and html are checked against a provider in the profile runs.
TEST_F(ProfileTest, DefaultSectionAndWithpass) {
    Save("G", Group({"x"}));
    WriteFileText(Profile, "[default]\nwithpass=0\nProtocol=https\nHost=dyn.example.org\nport=8443\n"
                           "path=/upd\n");
    const TProfileURL p = BuildProfileURL(Path, Profile, "G");
    EXPECT_EQ(p.URL, "https://dyn.example.org:8443/upd");
    EXPECT_EQ(p.UserName, "");
    EXPECT_EQ(p.Password, "");
    EXPECT_EQ(BuildProfileURL(Path, Dir.File("none.ini"), "G").URL, "");
}

TEST_F(ProfileTest, ThePlaceholderScan) {
    TDynAcc g = Group({" x ", "y"});
    g.MailEx = " mx.example ";
    g.Type = SystemCustom;
    Save("G", g);
    EXPECT_EQ(
        Expand("u=%USER%&p=%PASS%&s=%SYSTEM%&h=%HOST%&i=%IP%&w=%WILDCARD%&m=%MX%&b=%BACKMX%&o=%OFFLINE%"),
        "u=joe&p=secret&s=custom&h=x,y&i=192.0.2.7&w=ON&m=mx.example&b=NO&o=NO");
    EXPECT_EQ(Expand("o=%OFFLINE%", true), "o=YES");
    EXPECT_EQ(Expand("q=50% off&r=1"), "q=50% off&r=1");
    EXPECT_EQ(Expand("u=%user%&v=%User%"), "u=%user%&v=joe");
    EXPECT_EQ(Expand("a=%%USER%"), "a=%joe");
    EXPECT_EQ(Expand("a=%UNKNOWN%b"), "a=b");
    EXPECT_EQ(Expand("a=5%"), "a=5Error!");
    EXPECT_EQ(Expand("a=%USER&b=2"), "a=Error!");
    EXPECT_EQ(Expand("%"), "Error!");
    EXPECT_EQ(Expand("a=%\r\n%"), "a=%\r\nError!");
    EXPECT_EQ(Expand(""), "");
}

TEST_F(ProfileTest, PlaceholderValuesFollowTheGroup) {
    Set("G", "NumOfHosts", "0");
    Set("G", "Wildcard", "0");
    Set("G", "MailEx", "< Not Required >");
    EXPECT_EQ(PlaceholderValue("%HOST%", Path, "G", false, ""), "");
    EXPECT_EQ(PlaceholderValue("%WILDCARD%", Path, "G", false, ""), "OFF");
    EXPECT_EQ(PlaceholderValue("%MX%", Path, "G", false, ""), "");
    // Missing keys: the password is empty and BackupMX reads as on.
    EXPECT_EQ(PlaceholderValue("%PASS%", Path, "G", false, ""), "");
    EXPECT_EQ(PlaceholderValue("%BACKMX%", Path, "G", false, ""), "YES");
    EXPECT_EQ(PlaceholderValue("%SYSTEM%", Path, "G", false, ""), "hostaq");
    EXPECT_EQ(PlaceholderValue("%ip%", Path, "G", false, "1.2.3.4"), "1.2.3.4");
}

TEST_F(ProfileTest, OfflineProfileRequestSendsTheOfflineAddress) {
    TDynAcc g = Group({"x"});
    g.Profile = Profile;
    Save("G", g);
    WriteFileText(Profile, "[requests]\nip=%IP%\noff=%OFFLINE%\n");
    EXPECT_EQ(BuildUpdateURL(Path, "G", "192.0.2.1", "203.0.113.9", true).URL,
              "http://members.hostaq.example:80/nic/update?ip=203.0.113.9&off=YES");
    EXPECT_EQ(BuildUpdateURL(Path, "G", "192.0.2.1", "203.0.113.9", false).URL,
              "http://members.hostaq.example:80/nic/update?ip=192.0.2.1&off=NO");
}

} // namespace
