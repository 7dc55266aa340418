#include "groups/Profile.h"

#include "UpdateRunFixture.h"

using namespace hostaq;
using test::WriteFileText;

namespace {

// Groups whose request comes from a provider profile that points at the loopback provider.
class ProfileRunTest : public test::TUpdateRunFixture {
protected:
    void SetUp() override {
        TUpdateRunFixture::SetUp();
        // The standard server is elsewhere, so answers are read by the profile's texts.
        Set("Options", "UpdateHost", "members.hostaq.example");
        TDynAcc g = Group({"x.example", "y.example"});
        g.Provider = "other.example";
        g.Profile = Profile;
        Save("P", g);
    }

    void WriteProfile(const std::string& defaults, const std::string& result) {
        WriteFileText(Profile, "[default]\nHost=127.0.0.1\nport=" + std::to_string(Provider.Port()) +
                                   "\npath=/upd\n" + defaults + "[requests]\nh=%HOST%\nip=%IP%\n[result]\n" +
                                   result);
    }

    std::string Profile = Dir.File("other.ini");
};

TEST_F(ProfileRunTest, RequestAndFirstHitDecides) {
    WriteProfile("method=POST\n", "success=OK\nerror=ERR\n");
    Provider.SetBody("OK\nERR\n");
    EXPECT_EQ(Send("P"), 0);
    const auto requests = Provider.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Method, "POST");
    EXPECT_EQ(requests[0].Target, "/upd?h=x.example,y.example&ip=192.0.2.1");
    EXPECT_EQ(requests[0].Authorization, test::BasicAuthorization("joe", "secret"));
    // One result, for the first host, with an empty keyword.
    EXPECT_EQ(Get("P", "x.example"), "");
    EXPECT_EQ(Get("P", "y.example"), "<none>");
    EXPECT_EQ(Get("P", "ReturnStr"), "OK");
    EXPECT_EQ(Get("P", "IP"), "192.0.2.1");
    EXPECT_TRUE(Logged(LogNormal, "x.example [other.example]: OK (Update successful)"));
}

TEST_F(ProfileRunTest, NoTextMatchesMeansRetry) {
    WriteProfile("", "");
    Provider.SetBody("done\nlast line\n");
    EXPECT_EQ(Send("P"), 3);
    EXPECT_EQ(Get("P", "ReturnStr"), "last line");
    EXPECT_EQ(Get("P", "IP"), "<none>");
    EXPECT_TRUE(Logged(LogError, "x.example [other.example]: last line (*** Error can update ***)"));
}

TEST_F(ProfileRunTest, WithoutWithpassNoAuthorizationIsSent) {
    WriteProfile("withpass=0\n", "warning=W\n");
    Provider.SetBody("W\n");
    EXPECT_EQ(Send("P"), 2);
    ASSERT_EQ(Provider.Requests().size(), 1u);
    EXPECT_EQ(Provider.Requests()[0].Authorization, "");
    EXPECT_EQ(Provider.Requests()[0].Raw.find("Authorization"), std::string::npos);
}

TEST_F(ProfileRunTest, HtmlStripsTagsOnlyFromWhatIsReported) {
    WriteProfile("", "success=<b>OK</b>\nhtml=1\nmultilines=1\n");
    Provider.SetBody("<p><b>OK</b> updated</p>\n");
    EXPECT_EQ(Send("P"), 0);
    EXPECT_EQ(Get("P", "ReturnStr"), "OK updated");
    EXPECT_NE(UpdateReport().Text().find("Return string: OK updated\r\n"), std::string::npos);
}

TEST_F(ProfileRunTest, ProfileOnTheStandardServerUsesTheReturnCodeTable) {
    Set("Options", "UpdateHost", Provider.HostPort());
    WriteFileText(Profile, "[default]\nHost=127.0.0.1\nport=" + std::to_string(Provider.Port()) +
                               "\n[requests]\nhostname=%HOST%\nmyip=%IP%\n[result]\nsuccess=good\n");
    Provider.SetHostLine("y.example", "nochg");
    EXPECT_EQ(Send("P"), 2);
    EXPECT_EQ(Get("P", "x.example"), "good");
    EXPECT_EQ(Get("P", "y.example"), "nochg");
}

TEST_F(ProfileRunTest, MissingProfileIsNotSent) {
    EXPECT_EQ(Send("P"), 4);
    EXPECT_TRUE(Provider.Requests().empty());
    EXPECT_TRUE(Logged(LogError, "Group P is not sent: its profile file " + Profile +
                                     " cannot be read. Its updates stay off until its configuration is saved "
                                     "again."));
}

} // namespace
