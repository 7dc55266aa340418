#include "platform/SoftwareUpdate.h"
#include "CaptureServer.h"
#include "LoopbackServer.h"
#include "PlatformConfig.h"
#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/IniFile.h"
#include "config/Stamp.h"
#include "net/MainThread.h"
#include "net/WorkerThread.h"

#include <cerrno>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <sys/socket.h>
#include <thread>

namespace hostaq {
namespace {

using test::TPlatformConfig;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

const TVersionNumber Own{3, 2, 0, 17};

// The presenter as far as the version check uses it.
class TFakePresenter : public TPresenter {
public:
    bool Confirm(const std::string& text) override {
        questions.push_back(text);
        return answer;
    }
    void Notify(TNoticeKind, const std::string& text) override { notices.push_back(text); }
    void ShowUpdateNotice(const std::string& text, std::function<void()> onClosed) override {
        updateNotices.push_back(text);
        closeNotice = std::move(onClosed);
    }

    bool answer = false;
    std::vector<std::string> questions;
    std::vector<std::string> notices;
    std::vector<std::string> updateNotices;
    std::function<void()> closeNotice;
};

// The version page as the check sees it, and what the check asked for.
struct TFakePage {
    bool reachable = true;
    std::string text;
    std::vector<std::string> requests; // "agent|url"
    TConnectionSettings lastConnection;

    TPageFetch Fetch() {
        return [this](const std::string& agent, const std::string& url, const TConnectionSettings& connection,
                      std::string& out, const std::atomic<bool>&) {
            requests.push_back(agent + "|" + url);
            lastConnection = connection;
            if (!reachable)
                return false;
            out = text;
            return true;
        };
    }
};

bool Newer(const std::string& page, std::string* shown = nullptr) {
    std::string versionText = "kept";
    const bool newer = PageNamesNewerVersion(true, page, Own, versionText);
    if (shown != nullptr)
        *shown = versionText;
    return newer;
}

TEST(VersionCompareTest, NewerOnlyWithAGreaterScore) {
    std::string shown;
    EXPECT_TRUE(Newer("3.2.0.18", &shown));
    EXPECT_EQ(shown, "3.2.0 (Build 18)");
    EXPECT_FALSE(Newer("3.2.1.0", &shown)) << "3210 < 3217";
    EXPECT_EQ(shown, "3.2.1 (Build 0)");
    EXPECT_FALSE(Newer("3.2.0.17")) << "equal is not newer";
    EXPECT_TRUE(Newer("4.0.0.0"));
}

TEST(VersionCompareTest, PageWithoutAVersionIsNotNewerAndKeepsTheCallersText) {
    std::string shown;
    EXPECT_FALSE(Newer("3.2.0", &shown)) << "fewer than three dots";
    EXPECT_EQ(shown, "kept");
    EXPECT_FALSE(Newer("<html>Not found</html>", &shown));
    EXPECT_EQ(shown, "kept");

    shown = "kept";
    EXPECT_FALSE(PageNamesNewerVersion(false, "4.0.0.0", Own, shown)) << "a page that was not read";
    EXPECT_EQ(shown, "kept");
}

TEST(VersionCompareTest, PartsAreTrimmedTextAndBadPartsReadAsZero) {
    TVersionNumber v;
    ASSERT_TRUE(ParseVersion("\r\n\r\n  3.2.0.18  \r\n\r\n", v));
    EXPECT_EQ(VersionDisplayText(v), "3.2.0 (Build 18)");
    // The fourth part is everything after the third dot.
    ASSERT_TRUE(ParseVersion("3.x.0.18.5", v));
    EXPECT_EQ(VersionDisplayText(v), "3.0.0 (Build 0)");
    ASSERT_TRUE(ParseVersion("99999999999.1.2.3", v));
    EXPECT_EQ(v.Major, 0) << "out of range is not a number";
    EXPECT_FALSE(ParseVersion("", v));
}

class SoftwareUpdateTest : public ::testing::Test {
protected:
    SoftwareUpdateTest() {
        config_.Write("[Connection]\nUseProxy=0\n");
        page_.text = "3.2.0.18";
    }
    std::unique_ptr<TSoftwareUpdate> Make() {
        auto update = std::make_unique<TSoftwareUpdate>(presenter_, page_.Fetch(), Own);
        update->OpenUrl = [this](const std::string& url) { opened_.push_back(url); };
        return update;
    }
    // The page is read on a worker: its outcome arrives through the main thread's loop.
    void Settle(const TSoftwareUpdate& update) {
        ASSERT_TRUE(
            loop_.PumpUntil([&] { return update.ChecksInProgress() == 0 && LiveWorkers() == 0; }, 10000));
    }

    TPlatformConfig config_;
    TManualClock clock_{TDateTime::FromParts(2007, 1, 31, 10, 0, 0)};
    TClockGuard clockGuard_{&clock_};
    TPumpedDispatcher loop_;
    TFakePresenter presenter_;
    TFakePage page_;
    std::vector<std::string> opened_;
};

TEST_F(SoftwareUpdateTest, PeriodicCheckShowsOneNoticeAtATime) {
    auto update = Make();
    update->RunVersionCheck();
    Settle(*update);
    ASSERT_THAT(
        presenter_.updateNotices,
        ElementsAre("A new version 3.2.0 (Build 18) of Hostaq Updater is available.\r\nDo you want to "
                    "visit the download website now?"));
    EXPECT_THAT(page_.requests, ElementsAre("Hostaq Updater|http://www.hostaq.example/updater/version.txt"));
    EXPECT_EQ(ReadString(Keys::CurrentVersion), "3.2.0 (Build 18)");
    EXPECT_EQ(ReadStamp(Keys::SoftAutoUpdateLastCheck), clock_.Now());

    // A second hit with the notice still open updates the stored version only.
    page_.text = "3.2.0.19";
    clock_.AdvanceSecs(60);
    update->RunVersionCheck();
    Settle(*update);
    EXPECT_EQ(presenter_.updateNotices.size(), 1u);
    EXPECT_EQ(ReadString(Keys::CurrentVersion), "3.2.0 (Build 19)");

    // Once closed, the next hit opens a new one.
    presenter_.closeNotice();
    update->RunVersionCheck();
    Settle(*update);
    EXPECT_EQ(presenter_.updateNotices.size(), 2u);
}

TEST_F(SoftwareUpdateTest, PeriodicCheckIsSilentWhenNothingNewOrNothingRead) {
    auto update = Make();
    page_.text = "3.2.0.17";
    update->RunVersionCheck();
    Settle(*update);
    page_.reachable = false;
    update->RunVersionCheck();
    Settle(*update);
    EXPECT_TRUE(presenter_.updateNotices.empty());
    EXPECT_TRUE(presenter_.notices.empty());
    EXPECT_EQ(StoredCurrentVersion(), "1.0.0 (Build 1)") << "unchanged: the program's own version";
    EXPECT_EQ(update->NextCheck(), clock_.Now().AddDays(7));
}

TEST_F(SoftwareUpdateTest, SwitchedOffFetchesNothingButKeepsTheSchedule) {
    config_.Write("[CheckUpdate]\nSoftAutoUpdate=0\nSoftAutoUpdateInt=0\n");
    auto update = Make();
    update->RunVersionCheck();
    Settle(*update);
    EXPECT_FALSE(update->CheckNow());
    EXPECT_TRUE(page_.requests.empty());
    EXPECT_FALSE(IniValueExists(config_.Path(), "CheckUpdate", "CurrentVersion"));
    EXPECT_EQ(ReadStamp(Keys::SoftAutoUpdateLastCheck), clock_.Now());
    EXPECT_EQ(update->NextCheck(), clock_.Now().AddDays(1));
}

TEST_F(SoftwareUpdateTest, ScheduleFollowsThePeriodAndKeepsMonthEnds) {
    auto next = [&](const char* period) {
        config_.Write(
            std::string("[CheckUpdate]\nSoftAutoUpdateLastCheck=20070131093000\nSoftAutoUpdateInt=") +
            period + "\n");
        auto update = Make();
        return update->NextCheck();
    };
    EXPECT_EQ(next("0"), TDateTime::FromParts(2007, 2, 1, 9, 30, 0));
    EXPECT_EQ(next("1"), TDateTime::FromParts(2007, 2, 7, 9, 30, 0));
    EXPECT_EQ(next("2"), TDateTime::FromParts(2007, 2, 14, 9, 30, 0));
    EXPECT_EQ(next("3"), TDateTime::FromParts(2007, 2, 28, 9, 30, 0)) << "January 31 plus a month";
    // A period outside the list is taken as weekly, so the check never runs at every heartbeat.
    EXPECT_EQ(next("9"), TDateTime::FromParts(2007, 2, 7, 9, 30, 0));
}

TEST_F(SoftwareUpdateTest, MissingLastCheckStartsTheScheduleNow) {
    auto update = Make();
    EXPECT_EQ(update->NextCheck(), clock_.Now().AddDays(7));
    EXPECT_EQ(IniReadString(config_.Path(), "CheckUpdate", "SoftAutoUpdateLastCheck", ""), "20070131100000");
    // The engine asks often; the time stays until the next run.
    clock_.AdvanceSecs(3600);
    EXPECT_EQ(update->NextCheck(), TDateTime::FromParts(2007, 2, 7, 10, 0, 0));
}

TEST_F(SoftwareUpdateTest, CheckNowAsksAndOpensTheDownloadPageOnYes) {
    config_.Write("[Connection]\nUseProxy=0\n[CheckUpdate]\nSoftAutoUpdateWeb=http://downloads.example/x\n");
    auto update = Make();
    presenter_.answer = true;
    std::vector<bool> found;
    const auto record = [&](bool newer) { found.push_back(newer); };
    EXPECT_TRUE(update->CheckNow(record));
    EXPECT_TRUE(found.empty()) << "the page is read on a worker";
    Settle(*update);
    EXPECT_THAT(found, ElementsAre(true));
    EXPECT_THAT(
        presenter_.questions,
        ElementsAre("A new version 3.2.0 (Build 18) of Hostaq Updater is available.\r\nDo you want to "
                    "visit the download website now?"));
    EXPECT_THAT(opened_, ElementsAre("http://downloads.example/x"));
    EXPECT_EQ(ReadString(Keys::CurrentVersion), "3.2.0 (Build 18)");

    presenter_.answer = false;
    update->CheckNow(record);
    Settle(*update);
    EXPECT_THAT(found, ElementsAre(true, true));
    EXPECT_EQ(opened_.size(), 1u) << "No opens nothing";
}

TEST_F(SoftwareUpdateTest, CheckNowStoresUnknownWhenThePageHoldsNoVersion) {
    page_.text = "3.2";
    auto update = Make();
    update->CheckNow();
    Settle(*update);
    EXPECT_EQ(ReadString(Keys::CurrentVersion), "Unknown");
    EXPECT_TRUE(presenter_.questions.empty());
    page_.reachable = false;
    WriteString(Keys::CurrentVersion, "3.0.0 (Build 1)");
    update->CheckNow();
    Settle(*update);
    EXPECT_EQ(ReadString(Keys::CurrentVersion), "Unknown");
}

TEST_F(SoftwareUpdateTest, AboutBoxPointsToTheMakersPageOrSaysLatest) {
    auto update = Make();
    presenter_.answer = true;
    update->AboutCheck();
    Settle(*update);
    EXPECT_THAT(
        presenter_.questions,
        ElementsAre("A new version 3.2.0 (Build 18) is available.\r\nDo you want to visit the website now?"));
    EXPECT_THAT(opened_, ElementsAre("http://www.vemo.example/"));

    page_.reachable = false; // a failure cannot be told from an up-to-date program
    update->AboutCheck();
    Settle(*update);
    page_.reachable = true;
    page_.text = "1.0.0.0";
    update->AboutCheck();
    Settle(*update);
    EXPECT_THAT(presenter_.notices,
                ElementsAre("You have the latest version.", "You have the latest version."));
}

TEST_F(SoftwareUpdateTest, ProxyIsUsedExactlyWhenUseProxyIsOn) {
    config_.Write("[Connection]\nUseProxy=1\nProxyHost=proxy.lan\nProxyPort=3128\nProxyUserName=me\n");
    auto update = Make();
    update->RunVersionCheck();
    Settle(*update);
    EXPECT_TRUE(page_.lastConnection.UseProxy);
    EXPECT_EQ(page_.lastConnection.ProxyHost, "proxy.lan");
    EXPECT_EQ(page_.lastConnection.ProxyPort, "3128");
    EXPECT_EQ(page_.lastConnection.ProxyUser, "me");
    config_.Write("[Connection]\nUseProxy=0\nProxyHost=proxy.lan\nProxyPort=3128\n");
    update->RunVersionCheck();
    Settle(*update);
    EXPECT_FALSE(page_.lastConnection.UseProxy);
}

// The proxy form of the request is the HTTP client's, checked with the client.
TEST(FetchPageTextTest, FetchesTheTrimmedPage) {
    test::TCaptureServer server;
    server.Answer("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n\r\n3.2.0.18\r\n\r\n");
    std::string text;
    TConnectionSettings direct;
    const std::atomic<bool> never{false};
    ASSERT_TRUE(FetchPageText("Hostaq Updater", server.Url("/updater/version.txt"), direct, text, never));
    EXPECT_EQ(text, "3.2.0.18");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_THAT(server.Requests()[0], HasSubstr("GET /updater/version.txt HTTP/1.0\r\n"));
    EXPECT_THAT(server.Requests()[0], HasSubstr("User-Agent: Hostaq Updater\r\n"));
}

// The version page is read within 30 s on the program's clock, whatever the server does, and a
// cancel (the program stopping) ends the read at once.
TEST(FetchPageTextTest, ASlowPageIsCutAtItsDeadlineAndACancelEndsTheReadAtOnce) {
    TManualClock clock;
    TClockGuard guard(&clock);
    std::atomic<int> gaveUpAt{-1};
    std::atomic<bool> requested{false};
    test::TLoopbackServer page([&](test::TServerConnection& c) {
        std::string request;
        if (!c.ReadHttpRequest(request))
            return;
        requested = true;
        const std::string answer = "HTTP/1.0 200 OK\r\n\r\n3.2.0.18\r\n";
        for (std::size_t i = 0; i < answer.size(); ++i) {
            if (!c.Write(answer.substr(i, 1))) {
                gaveUpAt = static_cast<int>(i) * 10;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            char probe = 0;
            const ssize_t n = ::recv(c.Fd(), &probe, 1, MSG_PEEK | MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {
                gaveUpAt = static_cast<int>(i) * 10;
                return;
            }
            clock.AdvanceSecs(10);
        }
    });
    const std::string url = "http://127.0.0.1:" + std::to_string(page.Port()) + "/version.txt";
    const std::atomic<bool> never{false};
    std::string text;
    EXPECT_FALSE(FetchPageText("Hostaq Updater", url, {}, text, never));
    for (int i = 0; i < 200 && gaveUpAt.load() < 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10)); // the server notices the close
    EXPECT_GE(gaveUpAt.load(), 30);
    EXPECT_LE(gaveUpAt.load(), 40);

    // A server that never answers: the cancel ends the read.
    test::TLoopbackServer silent([&](test::TServerConnection& c) { c.WaitForPeerClose(); });
    std::atomic<bool> cancel{false};
    std::thread stopper([&] {
        while (silent.Connections() == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        cancel = true;
    });
    const std::string silentUrl = "http://127.0.0.1:" + std::to_string(silent.Port()) + "/version.txt";
    EXPECT_FALSE(FetchPageText("Hostaq Updater", silentUrl, {}, text, cancel));
    stopper.join();
}

} // namespace
} // namespace hostaq
