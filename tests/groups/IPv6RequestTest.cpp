#include "config/Clock.h"
#include "config/IniFile.h"
#include "config/Stamp.h"
#include "groups/DynAcc.h"
#include "groups/Profile.h"
#include "groups/UpdateDecision.h"
#include "groups/UpdateUrl.h"

#include "ProtocolFixture.h"

using namespace hostaq;

namespace {

class IPv6RequestTest : public test::TProtocolFixture {
protected:
    std::string Profile = Dir.File("provider.ini");
};

// The standard request with and without the IPv6 address, and the offline run, which sends the
// offline address alone.
TEST_F(IPv6RequestTest, MyipCarriesBothAddressesCommaJoined) {
    TDynAcc g = Group({"a", "b"});
    g.IPv6 = true;
    Save("Home", g);
    const struct {
        const char* Address;
        const char* Address6;
        bool Offline;
        const char* Myip;
    } cases[] = {
        {"192.0.2.1", "2001:db8::10", false, "myip=192.0.2.1,2001:db8::10&"},
        {"192.0.2.1", "", false, "myip=192.0.2.1&"},
        {"", "2001:db8::10", false, "myip=2001:db8::10&"},
        {"192.0.2.1", "2001:db8::10", true, "myip=198.51.100.9&"},
    };
    for (const auto& c : cases) {
        const TUpdateRequest r =
            BuildUpdateURL(Path, "Home", c.Address, "198.51.100.9", c.Offline, c.Address6);
        EXPECT_NE(r.URL.find(std::string("&") + c.Myip), std::string::npos) << r.URL;
        EXPECT_EQ(r.IP6, c.Offline ? "" : c.Address6);
    }
}

TEST_F(IPv6RequestTest, ProfilesGetTheAddressAsIP6) {
    TDynAcc g = Group({"x"});
    g.Profile = Profile;
    Save("G", g);
    test::WriteFileText(Profile, "[requests]\nip=%IP%\nip6=%IP6%\n");
    const TUpdateRequest r = BuildUpdateURL(Path, "G", "192.0.2.1", "", false, "2001:db8::10");
    EXPECT_EQ(r.URL, "http://members.hostaq.example:80/nic/update?ip=192.0.2.1&ip6=2001:db8::10");
    EXPECT_EQ(r.IP6, "2001:db8::10");
    EXPECT_EQ(BuildUpdateURL(Path, "G", "192.0.2.1", "", false).URL,
              "http://members.hostaq.example:80/nic/update?ip=192.0.2.1&ip6=");
    EXPECT_EQ(PlaceholderValue("%ip6%", Path, "G", false, "1.2.3.4", "2001:db8::1"), "2001:db8::1");
}

// A group that never asked for IPv6 is saved as before; one that did keeps its keys, and a
// host named like them is no result key.
TEST_F(IPv6RequestTest, GroupKeysAreSavedOnlyWhenUsed) {
    Save("Plain", Group({"a"}));
    EXPECT_FALSE(IniValueExists(Path, "Plain", "IPv6"));
    EXPECT_FALSE(IniValueExists(Path, "Plain", "IPv6Suffix"));
    TDynAcc g = Group({"a"});
    g.IPv6 = true;
    g.IPv6Suffix = "::1234";
    Save("Six", g);
    TDynAcc loaded;
    LoadGroup(Path, "Six", loaded);
    EXPECT_TRUE(loaded.IPv6);
    EXPECT_EQ(loaded.IPv6Suffix, "::1234");
    for (const char* key : {"IPv6", "ipv6suffix", "IP6"})
        EXPECT_TRUE(IsGroupConfigKey(key)) << key;
}

// The due rule: the IPv4 address as before, or an IPv6 address other than the one last sent.
TEST_F(IPv6RequestTest, AnIPv6AddressOtherThanIP6MakesTheGroupDue) {
    Save("Home", Group({"a"}));
    Set("Home", "NewConfig", "0");
    Set("Home", "IP", "192.0.2.1");
    Set("Home", "LastUpdate", EncodeStamp(Now()));
    EXPECT_FALSE(AnyGroupNeedsUpdate(Path, "192.0.2.1", "192.0.2.1", {"Home"}, false).Due);
    const TGroupAddresses6 six{{"Home", "2001:db8::10"}};
    const TUpdateDue due = AnyGroupNeedsUpdate(Path, "192.0.2.1", "192.0.2.1", {"Home"}, false, six);
    EXPECT_TRUE(due.Due);
    EXPECT_EQ(due.Reason, "IPv6 address of group Home changes ( > 2001:db8::10 [automatic])");
    EXPECT_TRUE(NeedsUpdate(Path, "Home", "192.0.2.1", 25, false, false, "2001:db8::10").Send);
    Set("Home", "IP6", "2001:db8::10");
    EXPECT_FALSE(AnyGroupNeedsUpdate(Path, "192.0.2.1", "192.0.2.1", {"Home"}, false, six).Due);
    EXPECT_FALSE(NeedsUpdate(Path, "Home", "192.0.2.1", 25, false, false, "2001:db8::10").Send);
    // A blocked group stays blocked whatever its IPv6 address does.
    Set("Home", "UpdateResult", "4");
    EXPECT_FALSE(
        AnyGroupNeedsUpdate(Path, "192.0.2.1", "192.0.2.1", {"Home"}, false, {{"Home", "2001:db8::11"}}).Due);
}

} // namespace
