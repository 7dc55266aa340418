#include "config/Scramble.h"
#include "config/Stamp.h"
#include "config/Version.h"
#include "groups/DynAccUpdate.h"
#include "net/HttpResponse.h"

#include <filesystem>
#include <sys/inotify.h>
#include <unistd.h>

#include "EnvGuard.h"
#include "TestCerts.h"
#include "UpdateRunFixture.h"

using namespace hostaq;

namespace {

class UpdateRunTest : public test::TUpdateRunFixture {};

TEST_F(UpdateRunTest, GoodAnswerStoresTheOutcome) {
    SavePlain("Home", Group({"a.example", "b.example"}));
    EXPECT_EQ(Send("Home", "192.0.2.1"), 0);

    const auto requests = Provider.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Method, "GET");
    EXPECT_EQ(requests[0].Path, "/nic/update");
    EXPECT_EQ(requests[0].Query.at("hostname"), "a.example,b.example");
    EXPECT_EQ(requests[0].Query.at("myip"), "192.0.2.1");
    EXPECT_EQ(requests[0].Authorization, test::BasicAuthorization("joe", "secret"));
    EXPECT_EQ(requests[0].UserAgent, BuildUserAgent());

    EXPECT_EQ(Get("Home", "a.example"), "good");
    EXPECT_EQ(Get("Home", "b.example"), "good");
    EXPECT_EQ(Get("Home", "ReturnStr"), "good 192.0.2.1");
    EXPECT_EQ(Get("Home", "NewConfig"), "0");
    EXPECT_EQ(Get("Home", "UpdateResult"), "0");
    EXPECT_EQ(Get("Home", "IP"), "192.0.2.1");
    EXPECT_EQ(Get("Home", "LastUpdate"), EncodeStamp(Clock.Now()));

    EXPECT_TRUE(Logged(
        LogNormal, "a.example [hostaq.example]: good 192.0.2.1 (Update good and successful, IP updated)"));
    EXPECT_TRUE(UpdateReport().ReportHasResults());
    EXPECT_NE(UpdateReport().Text().find("Hostname: b.example\r\nService provider: hostaq.example\r\n"
                                         "Return string: good 192.0.2.1\r\n"
                                         "Intepreted: Update good and successful, IP updated\r\n\r\n"),
              std::string::npos);
}

TEST_F(UpdateRunTest, ThreeHostsGoodNochgNohost) {
    SavePlain("G", Group({"a", "b", "c"}));
    Set("G", "IP", "198.51.100.1");
    Set("G", "LastUpdate", "20080101000000");
    Provider.SetHostLine("b", "nochg 192.0.2.1");
    Provider.SetHostLine("c", "nohost");
    EXPECT_EQ(Send("G"), 4);
    EXPECT_EQ(Get("G", "a"), "good");
    EXPECT_EQ(Get("G", "b"), "nochg");
    EXPECT_EQ(Get("G", "c"), "nohost");
    EXPECT_EQ(Get("G", "ReturnStr"), "nohost");
    EXPECT_EQ(Get("G", "UpdateResult"), "4");
    // A blocked outcome keeps the last good address and time.
    EXPECT_EQ(Get("G", "IP"), "198.51.100.1");
    EXPECT_EQ(Get("G", "LastUpdate"), "20080101000000");
    EXPECT_TRUE(
        Logged(LogWarning, "b [hostaq.example]: nochg 192.0.2.1 (No changes, update considered abusive)"));
    EXPECT_TRUE(Logged(LogError, "c [hostaq.example]: nohost (The hostname specified does not exist)"));
}

TEST_F(UpdateRunTest, UnmatchedLineAfterAMatchStoresAnEmptyKeyword) {
    SavePlain("G", Group({"a", "b"}));
    Provider.SetHostLine("b", "whatever");
    EXPECT_EQ(Send("G"), 0);
    EXPECT_EQ(Get("G", "a"), "good");
    EXPECT_EQ(Get("G", "b"), "");
    EXPECT_TRUE(Logged(LogNormal, "b [hostaq.example]: whatever (Update successful)"));
}

TEST_F(UpdateRunTest, BadauthForTwoHostsIsStoredUnderTheGroupAndBlocks) {
    SavePlain("G", Group({"a", "b"}));
    Provider.SetLogin("joe", "other");
    EXPECT_EQ(Send("G"), 4);
    EXPECT_EQ(Get("G", "G"), "badauth");
    EXPECT_EQ(Get("G", "a"), "<none>");
    EXPECT_EQ(Get("G", "UpdateResult"), "4");
    EXPECT_EQ(Get("G", "IP"), "<none>");
}

// Counts the replaces of one file: a rename onto its name.
class TFileWrites {
public:
    explicit TFileWrites(const std::string& path)
        : name_(std::filesystem::path(path).filename().string()), fd_(::inotify_init1(IN_NONBLOCK)) {
        ::inotify_add_watch(fd_, std::filesystem::path(path).parent_path().c_str(), IN_MOVED_TO);
    }
    ~TFileWrites() { ::close(fd_); }
    TFileWrites(const TFileWrites&) = delete;
    TFileWrites& operator=(const TFileWrites&) = delete;
    int Count() {
        alignas(inotify_event) char buffer[65536];
        ssize_t n = 0;
        while ((n = ::read(fd_, buffer, sizeof buffer)) > 0) {
            for (char* p = buffer; p < buffer + n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(p);
                if (e->len > 0 && name_ == e->name)
                    ++count_;
                p += sizeof(inotify_event) + e->len;
            }
        }
        return count_;
    }

private:
    std::string name_;
    int fd_;
    int count_ = 0;
};

TEST_F(UpdateRunTest, AnswerYieldsAtMostOneResultPerHost) {
    SavePlain("G", Group({"a", "b"}));
    Provider.SetBody("good\nnochg\ndnserr\n");
    EXPECT_LT(Send("G"), 3) << "the dnserr past the hosts is dropped, not counted";
    EXPECT_EQ(Get("G", "G"), "nochg");
    EXPECT_EQ(Get("G", "ReturnStr"), "nochg");
    EXPECT_EQ(
        std::count_if(Log.begin(), Log.end(), [](const TEntry& e) { return e.Text.rfind("G [", 0) == 0; }),
        2);
    EXPECT_TRUE(
        Logged(LogWarning, "G: the answer held 1 lines more than the group has hosts; they were dropped"));
}

// A provider (or anyone on the path of a plain request) answering a flood of lines: one result,
// one log line about the rest, one write of the file.
TEST_F(UpdateRunTest, LongAnswerIsOneResultAndOnePassOfTheFile) {
    SavePlain("G", Group({"a.example"}));
    std::string body;
    for (int i = 0; i < 20000; ++i)
        body += "good 192.0.2.1\n";
    Provider.SetBody(body);
    const TUpdateRequest request = BuildUpdateURL(Path, "G", "192.0.2.1", "", false);
    TFileWrites writes(Path);
    THostaqUpdate controller(Path);
    controller.StartUpdate("192.0.2.1", "G", request);
    ASSERT_TRUE(Loop.PumpUntil([&] { return controller.Done; }, 10000));
    EXPECT_EQ(writes.Count(), 1);
    EXPECT_EQ(Get("G", "G"), "good");
    EXPECT_EQ(Get("G", "IP"), "192.0.2.1");
    EXPECT_EQ(
        std::count_if(Log.begin(), Log.end(), [](const TEntry& e) { return e.Text.rfind("G [", 0) == 0; }),
        1);
    EXPECT_EQ(std::count_if(Log.begin(), Log.end(),
                            [](const TEntry& e) { return e.Text.find("dropped") != std::string::npos; }),
              1);
    EXPECT_TRUE(Logged(LogWarning,
                       "G: the answer held 19999 lines more than the group has hosts; they were dropped"));
}

TEST_F(UpdateRunTest, EmptyAnswerIsClassZero) {
    SavePlain("G", Group({"a"}));
    Provider.SetBody("");
    EXPECT_EQ(Send("G"), 0);
    EXPECT_EQ(Get("G", "IP"), "192.0.2.1");
    EXPECT_FALSE(UpdateReport().ReportHasResults());
}

TEST_F(UpdateRunTest, OfflineRunSendsAndStoresTheOfflineAddress) {
    SavePlain("G", Group({"a"}));
    EXPECT_EQ(Send("G", "192.0.2.1", true, "203.0.113.7"), 0);
    EXPECT_EQ(Provider.Requests().at(0).Query.at("myip"), "203.0.113.7");
    EXPECT_EQ(Provider.Requests().at(0).Query.at("offline"), "YES");
    EXPECT_EQ(Get("G", "IP"), "203.0.113.7");
}

TEST_F(UpdateRunTest, TransportFailureIsClassSixAndKeepsTheAddress) {
    SavePlain("G", Group({"a"}));
    Set("G", "IP", "198.51.100.1");
    Provider.SetCloseWithoutAnswer(true);
    EXPECT_EQ(Send("G"), 6);
    EXPECT_EQ(Get("G", "UpdateResult"), "6");
    EXPECT_EQ(Get("G", "IP"), "198.51.100.1");
    EXPECT_EQ(Get("G", "LastUpdate"), "<none>");
    EXPECT_EQ(Get("G", "ReturnStr"), "<none>");
    ASSERT_FALSE(Log.empty());
    EXPECT_EQ(Log.back().Kind, LogError);
    EXPECT_EQ(Log.back().Text.rfind("G [hostaq.example]: 100", 0), 0u) << Log.back().Text;
    EXPECT_NE(UpdateReport().Text().find(Log.back().Text + "\r\n\r\n"), std::string::npos);
    EXPECT_FALSE(UpdateReport().ReportHasResults());
}

TEST_F(UpdateRunTest, GroupWithoutLoginIsNotSentAndStaysBlocked) {
    SavePlain("NoPass", Group({"a"}, "joe", ""));
    EXPECT_EQ(Send("NoPass"), 4);
    EXPECT_TRUE(Provider.Requests().empty());
    EXPECT_EQ(Get("NoPass", "UpdateResult"), "4");
    EXPECT_EQ(Get("NoPass", "NewConfig"), "0");
    EXPECT_TRUE(Logged(LogError,
                       "Group NoPass is not sent: it has no password. Its updates stay off until its "
                       "configuration is saved again."));

    SavePlain("NoUser", Group({"a"}, ""));
    EXPECT_EQ(Send("NoUser"), 4);
    EXPECT_TRUE(Logged(LogError,
                       "Group NoUser is not sent: it has no user name. Its updates stay off until its "
                       "configuration is saved again."));
    SavePlain("NoHosts", Group({}));
    EXPECT_EQ(Send("NoHosts"), 4);
    EXPECT_TRUE(Logged(LogError,
                       "Group NoHosts is not sent: it has no hostnames. Its updates stay off until its "
                       "configuration is saved again."));
    EXPECT_TRUE(Provider.Requests().empty());
}

TEST_F(UpdateRunTest, DamagedPasswordIsNeverSentEmpty) {
    SavePlain("G", Group({"a"}));
    Set("G", "Password", "zz");
    EXPECT_EQ(Send("G"), 4);
    EXPECT_TRUE(Provider.Requests().empty());
    EXPECT_TRUE(Logged(LogError, "The stored password of group G is damaged; the group is not sent until its "
                                 "password is saved again."));
    // The same through a provider profile that sends the login.
    const std::string profile = Dir.File("p.ini");
    ASSERT_TRUE(IniWriteString(profile, "default", "Host", Provider.HostPort()));
    Set("G", "Profile", profile);
    Log.clear();
    EXPECT_EQ(Send("G"), 4);
    EXPECT_TRUE(Provider.Requests().empty());
    EXPECT_EQ(Log.size(), 1u);
}

TEST_F(UpdateRunTest, MegabyteAnswerLineIsBoundedBeforeItIsStoredOrLogged) {
    SavePlain("G", Group({"a"}));
    // One line filling the whole body the client accepts, with terminal controls in it.
    std::string line = "good \x1b[31m";
    line += std::string(MaxResponseBody - line.size() - 2, 'x');
    Provider.SetBody(line + "\r\n");
    EXPECT_EQ(Send("G"), 0);
    const std::string stored = Get("G", "ReturnStr");
    EXPECT_LE(stored.size(), 2047u);
    EXPECT_EQ(stored.rfind("good  [31mxxx", 0), 0u);
    EXPECT_EQ(Get("G", "a"), "good");
    EXPECT_LT(std::filesystem::file_size(Path), 4096u);

    const std::string prefix = "a [hostaq.example]: ";
    const std::string suffix = " (Update good and successful, IP updated)";
    const auto entry =
        std::find_if(Log.begin(), Log.end(), [&](const auto& e) { return e.Text.rfind(prefix, 0) == 0; });
    ASSERT_NE(entry, Log.end());
    ASSERT_GT(entry->Text.size(), prefix.size() + suffix.size());
    EXPECT_EQ(entry->Text.substr(entry->Text.size() - suffix.size()), suffix);
    EXPECT_LE(entry->Text.size() - prefix.size() - suffix.size(), 1024u);
    EXPECT_EQ(entry->Text.find('\x1b'), std::string::npos);
}

TEST_F(UpdateRunTest, HostNamedLikeAGroupKeyDoesNotOverwriteTheLogin) {
    SavePlain("G", Group({"a", "Password", "NumOfHosts"}));
    const std::string stored = Get("G", "Password");
    EXPECT_EQ(Send("G"), 0);
    EXPECT_EQ(Get("G", "Password"), stored);
    EXPECT_EQ(UnscramblePassword(stored), "secret");
    EXPECT_EQ(Get("G", "NumOfHosts"), "3");
    EXPECT_EQ(Get("G", "a"), "good");
    EXPECT_TRUE(Logged(LogWarning,
                       "The result of Password in group G is not stored under that name: it would "
                       "overwrite a setting of the group."));
    EXPECT_TRUE(IsGroupSection(Path, "G"));
}

TEST_F(UpdateRunTest, TwoGroupsAreRequestedAtTheSameTime) {
    TDynAcc a = Group({"a1.example"});
    a.Provider = "one";
    TDynAcc b = Group({"b1.example", "b2.example"}, "ann", "pw2");
    b.Provider = "two";
    SavePlain("A", a);
    SavePlain("B", b);
    // No answer leaves the provider before both requests have arrived.
    Provider.HoldAnswersUntil(2, 5000);

    THostaqUpdate first(Path), second(Path);
    int doneEvents = 0;
    first.OnDone = second.OnDone = [&](THostaqUpdate&) { ++doneEvents; };
    first.StartUpdate("192.0.2.1", "A", BuildUpdateURL(Path, "A", "192.0.2.1", "", false));
    second.StartUpdate("192.0.2.1", "B", BuildUpdateURL(Path, "B", "192.0.2.1", "", false));
    ASSERT_TRUE(Loop.PumpUntil([&] { return first.Done && second.Done; }, 10000));
    EXPECT_FALSE(Provider.HoldTimedOut());
    EXPECT_EQ(doneEvents, 2);

    EXPECT_EQ(Get("A", "a1.example"), "good");
    EXPECT_EQ(Get("A", "b1.example"), "<none>");
    EXPECT_EQ(Get("B", "b1.example"), "good");
    EXPECT_EQ(Get("B", "b2.example"), "good");
    EXPECT_EQ(Get("B", "a1.example"), "<none>");
    EXPECT_TRUE(
        Logged(LogNormal, "a1.example [one]: good 192.0.2.1 (Update good and successful, IP updated)"));
    EXPECT_TRUE(
        Logged(LogNormal, "b2.example [two]: good 192.0.2.1 (Update good and successful, IP updated)"));
    const auto requests = Provider.Requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const auto& r : requests)
        EXPECT_EQ(r.Authorization, r.Query.at("hostname") == "a1.example"
                                       ? test::BasicAuthorization("joe", "secret")
                                       : test::BasicAuthorization("ann", "pw2"));
}

TEST_F(UpdateRunTest, ControllerGoneBeforeItsWorkerEnds) {
    SavePlain("G", Group({"a"}));
    Provider.HoldAnswersUntil(2, 300);
    {
        THostaqUpdate controller(Path);
        controller.StartUpdate("192.0.2.1", "G", BuildUpdateURL(Path, "G", "192.0.2.1", "", false));
        ASSERT_TRUE(Provider.WaitForRequests(1, 5000));
    }
    ASSERT_TRUE(Loop.PumpUntil([] { return LiveWorkers() == 0; }, 10000));
    EXPECT_EQ(Get("G", "UpdateResult"), "<none>");
}

TEST_F(UpdateRunTest, SystemProxyCarriesTheRequestWhenUseProxyIsNotSet) {
    SavePlain("G", Group({"a"}));
    Set("Options", "UpdateHost", "members.hostaq.example");
    test::TEnvGuard proxy("http_proxy", Provider.HostPort());
    EXPECT_EQ(Send("G"), 0);
    ASSERT_EQ(Provider.Requests().size(), 1u);
    EXPECT_EQ(
        Provider.Requests()[0].Target.rfind("http://members.hostaq.example:80/nic/update?system=hostaq&", 0),
        0u);
}

TEST_F(UpdateRunTest, SecureRequestHonoursVerifyCertificate) {
    test::TTestPki pki;
    SSL_CTX* tls = test::MakeServerContext(pki.SelfSigned);
    test::TProviderServer secure(tls);
    SSL_CTX_free(tls);
    Set("Options", "UpdateHost", secure.HostPort());
    Save("G", Group({"a"}));

    EXPECT_EQ(Send("G"), 6);
    EXPECT_TRUE(secure.Requests().empty());

    Set("Connection", "VerifyCertificate", "0");
    EXPECT_EQ(Send("G"), 0);
    ASSERT_EQ(secure.Requests().size(), 1u);
    EXPECT_EQ(Get("G", "a"), "good");
}

} // namespace

namespace {

// What reached a record sink: the event, group, host, address and result of each entry.
struct TRecords {
    TRecords()
        : id(AddLogRecordSink([this](int, const std::string&, const TLogFields& f) {
              if (f.Event != TLogEvent::None)
                  Got.push_back({f.Event, f.Group, f.Host, f.IP, f.Result});
          })) {}
    ~TRecords() { RemoveLogSink(id); }
    std::vector<std::tuple<TLogEvent, std::string, std::string, std::string, std::string>> Got;
    int id;
};

TEST_F(UpdateRunTest, EntriesCarryTheGroupHostAddressAndResultOfEachOutcome) {
    TRecords records;
    SavePlain("G", Group({"a", "b", "c"}));
    Provider.SetHostLine("b", "nochg 192.0.2.1");
    Provider.SetHostLine("c", "nohost");
    Send("G");
    SavePlain("NoPass", Group({"a"}, "joe", ""));
    Send("NoPass");
    using T = std::tuple<TLogEvent, std::string, std::string, std::string, std::string>;
    EXPECT_EQ(records.Got, (std::vector<T>{{TLogEvent::UpdateGood, "G", "a", "192.0.2.1", "good"},
                                           {TLogEvent::UpdateGood, "G", "b", "192.0.2.1", "nochg"},
                                           {TLogEvent::UpdateFailed, "G", "c", "192.0.2.1", "nohost"},
                                           {TLogEvent::GroupBlocked, "NoPass", "", "192.0.2.1", ""}}));
}

} // namespace
