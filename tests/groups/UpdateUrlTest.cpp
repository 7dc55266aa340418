#include "groups/UpdateUrl.h"
#include "config/Scramble.h"

#include "ProtocolFixture.h"

using namespace hostaq;

namespace {

class UpdateUrlTest : public test::TProtocolFixture {};

TEST_F(UpdateUrlTest, SecureRequestCarriesTheParametersInOrder) {
    Save("Home", Group({"a", "b"}));
    const TUpdateRequest r = BuildUpdateURL(Path, "Home", "192.0.2.1", "198.51.100.9", false);
    EXPECT_EQ(r.URL, "https://members.hostaq.example/nic/update?system=hostaq&hostname=a,b&myip=192.0.2.1"
                     "&wildcard=ON&offline=NO");
    EXPECT_EQ(r.HostText, "a\r\nb\r\n");
    EXPECT_EQ(r.UserName, "joe");
    EXPECT_EQ(r.Password, "secret");
    EXPECT_EQ(r.Lack, TRequestLack::None);
}

TEST_F(UpdateUrlTest, SchemePortAndSystemRules) {
    TDynAcc g = Group({"a"});
    g.Secure = false;
    g.Type = SystemStatdns;
    g.Wildcard = false;
    Save("Plain", g);
    EXPECT_EQ(BuildUpdateURL(Path, "Plain", "192.0.2.1", "", false).URL,
              "http://members.hostaq.example/nic/update?system=statdns&hostname=a&myip=192.0.2.1"
              "&wildcard=OFF&offline=NO");

    // Port 8245 is always plain HTTP, even for a secure group.
    Save("Secure", Group({"a"}));
    Set("Connection", "ServerPort", "1");
    EXPECT_EQ(BuildUpdateURL(Path, "Secure", "192.0.2.1", "", false).URL,
              "http://members.hostaq.example:8245/nic/update?system=hostaq&hostname=a&myip=192.0.2.1"
              "&wildcard=ON&offline=NO");

    // Any other stored type is sent as hostaq; custom is sent by name.
    Set("Secure", "Type", "7");
    EXPECT_NE(BuildUpdateURL(Path, "Secure", "1.2.3.4", "", false).URL.find("system=hostaq&"),
              std::string::npos);
    Set("Secure", "Type", "2");
    EXPECT_NE(BuildUpdateURL(Path, "Secure", "1.2.3.4", "", false).URL.find("system=custom&"),
              std::string::npos);
}

TEST_F(UpdateUrlTest, MailExchangerAddsMxThenBackmx) {
    TDynAcc g = Group({"a"});
    g.MailEx = "< Not Required >";
    Save("G", g);
    EXPECT_EQ(BuildUpdateURL(Path, "G", "1.2.3.4", "", false).URL.find("mx="), std::string::npos);
    Set("G", "MailEx", "");
    EXPECT_EQ(BuildUpdateURL(Path, "G", "1.2.3.4", "", false).URL.find("mx="), std::string::npos);

    Set("G", "MailEx", "mail.example.net");
    Set("G", "BackupMX", "1");
    EXPECT_EQ(BuildUpdateURL(Path, "G", "1.2.3.4", "", false).URL,
              "https://members.hostaq.example/nic/update?system=hostaq&hostname=a&myip=1.2.3.4&wildcard=ON"
              "&mx=mail.example.net&backmx=YES&offline=NO");
    Set("G", "BackupMX", "0");
    EXPECT_NE(BuildUpdateURL(Path, "G", "1.2.3.4", "", false).URL.find("&mx=mail.example.net&backmx=NO&"),
              std::string::npos);
}

TEST_F(UpdateUrlTest, OfflineSendsTheOfflineAddress) {
    Save("G", Group({"a"}));
    EXPECT_EQ(BuildUpdateURL(Path, "G", "192.0.2.1", "203.0.113.5", true).URL,
              "https://members.hostaq.example/nic/update?system=hostaq&hostname=a&myip=203.0.113.5"
              "&wildcard=ON&offline=YES");
}

TEST_F(UpdateUrlTest, ValuesAreInsertedAsStoredWithoutEncoding) {
    Save("G", Group({" a b ", "c&d"}));
    const TUpdateRequest r = BuildUpdateURL(Path, "G", "1.2.3.4", "", false);
    // The ini store drops surrounding blanks of values, so only inner ones reach the URL.
    EXPECT_NE(r.URL.find("&hostname=a b,c&d&myip="), std::string::npos);
    EXPECT_EQ(r.HostText, "a b\r\nc&d\r\n");
}

TEST_F(UpdateUrlTest, MissingLoginOrHostsGivesNoURLAndSaysWhy) {
    Save("NoHosts", Group({}));
    EXPECT_EQ(BuildUpdateURL(Path, "NoHosts", "1.2.3.4", "", false).Lack, TRequestLack::Hosts);

    Save("NoUser", Group({"a"}, ""));
    Save("NoPass", Group({"a"}, "joe", ""));
    Save("EmptyHost", Group({""})); // one host with an empty name leaves the list empty
    const std::pair<const char*, TRequestLack> cases[] = {{"NoUser", TRequestLack::UserName},
                                                          {"NoPass", TRequestLack::Password},
                                                          {"EmptyHost", TRequestLack::Hosts},
                                                          {"Nowhere", TRequestLack::Hosts}};
    for (const auto& [group, lack] : cases) {
        const TUpdateRequest r = BuildUpdateURL(Path, group, "1.2.3.4", "", false);
        EXPECT_TRUE(r.URL.empty()) << group;
        EXPECT_EQ(r.Lack, lack) << group;
    }
}

TEST_F(UpdateUrlTest, MalformedStoredNumbersReadAsDefaults) {
    Save("G", Group({"a", "b"}));
    Set("G", "Type", "x1");
    Set("G", "Wildcard", "yes");
    Set("Connection", "ServerPort", "eighty");
    EXPECT_EQ(BuildUpdateURL(Path, "G", "1.2.3.4", "", false).URL,
              "https://members.hostaq.example/nic/update?system=hostaq&hostname=a,b&myip=1.2.3.4"
              "&wildcard=ON&offline=NO");
    EXPECT_EQ(Warnings.size(), 3u);
}

TEST_F(UpdateUrlTest, UpdateHostOptionPointsTheRequestElsewhere) {
    Save("G", Group({"a"}));
    Set("Options", "UpdateHost", "127.0.0.1:8080");
    EXPECT_EQ(EffectiveUpdateHost(Path), "127.0.0.1:8080");
    EXPECT_EQ(
        BuildUpdateURL(Path, "G", "1.2.3.4", "", false).URL.rfind("https://127.0.0.1:8080/nic/update?", 0),
        0u);
    // Its own port takes the place of 8245.
    Set("Connection", "ServerPort", "1");
    EXPECT_EQ(
        BuildUpdateURL(Path, "G", "1.2.3.4", "", false).URL.rfind("http://127.0.0.1:8080/nic/update?", 0),
        0u);
    Set("Options", "UpdateHost", " ");
    EXPECT_EQ(EffectiveUpdateHost(Path), "members.hostaq.example");
    EXPECT_EQ(EffectiveAccountHost(Path), "account.hostaq.example");
}

TEST(UrlHostTest, TakesTheHostOfAURL) {
    EXPECT_EQ(UrlHost("https://members.hostaq.example/nic/update?x=1"), "members.hostaq.example");
    EXPECT_EQ(UrlHost("http://u:p@a.b:8245/x"), "a.b");
    EXPECT_EQ(UrlHost("http://[::1]:80/x"), "[::1]");
    EXPECT_EQ(HostWithoutPort("127.0.0.1:99"), "127.0.0.1");
    EXPECT_EQ(HostWithoutPort("host"), "host");
}

} // namespace
