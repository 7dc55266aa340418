// The synchronous page fetch: its one redirect rule, its time-out timer and the trimmed text.
#include "net/GetHttpText.h"
#include "CaptureServer.h"
#include "config/Clock.h"
#include "net/NetErrors.h"

#include <gtest/gtest.h>

#include <thread>

namespace hostaq {
namespace {

using test::TCaptureServer;
using test::TScriptedAnswer;

TEST(GetHttpText, MovedPermanentlyIsFollowedOnceToTheLowerCasedTarget) {
    TCaptureServer server;
    server.Answer("HTTP/1.0 301 Moved Permanently\r\nSet-Cookie: id=7\r\nLoCation: " +
                  server.Url("/New/Page?Q=1") + "\r\n\r\nmoved");
    server.Answer("HTTP/1.0 301 Moved Permanently\r\nLocation: " + server.Url("/third") + "\r\n\r\nagain");
    TVemoGetHttpText getter;
    getter.SetAgent("Agent");
    getter.Url = server.Url("/old");
    ASSERT_TRUE(getter.GetText());
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].substr(0, requests[1].find("\r\n")), "GET /new/page?q=1 HTTP/1.0");
    EXPECT_NE(requests[1].find("\r\nCookie: id=7\r\n"), std::string::npos);
    EXPECT_NE(requests[1].find("\r\nUser-Agent: Agent\r\n"), std::string::npos);
    // The second answer is a 301 too, but only one redirect is followed.
    EXPECT_EQ(getter.TheText(), "again\r\n");
}

TEST(GetHttpText, OtherRedirectsAreNotFollowed) {
    TCaptureServer server;
    server.Answer("HTTP/1.0 302 Found\r\nLocation: /elsewhere\r\n\r\nfound here\nline two");
    TVemoGetHttpText getter;
    getter.Url = server.Url("/");
    ASSERT_TRUE(getter.GetText());
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(getter.TheText(), "found here\r\nline two\r\n");
    EXPECT_NE(server.Requests()[0].find("User-Agent: Vemo Solution\r\n"), std::string::npos);
}

TEST(GetHttpText, RelativeLocationStaysOnTheSameServer) {
    TCaptureServer server;
    server.Answer("HTTP/1.0 301 Moved\r\nLocation: /Next\r\n\r\n");
    server.Answer("HTTP/1.0 200 OK\r\n\r\nthere");
    TVemoGetHttpText getter;
    getter.Url = server.Url("/");
    ASSERT_TRUE(getter.GetText());
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(server.Requests()[1].substr(0, 20), "GET /next HTTP/1.0\r\n");
    EXPECT_EQ(getter.TheText(), "there\r\n");
}

TEST(GetHttpText, TimerAbortsWhenTheClockPassesTheTimeOut) {
    TManualClock clock;
    TClockGuard guard(&clock);
    TCaptureServer server;
    server.Answer(TScriptedAnswer{"", true});
    TVemoGetHttpText getter;
    getter.TimeOut = 2;
    getter.HTTP().Timeout = 60000;
    getter.Url = server.Url("/");
    std::thread mover([&] {
        if (server.WaitForRequests(1, 5000))
            clock.AdvanceSecs(2 * 60 + 1);
    });
    EXPECT_FALSE(getter.GetText());
    mover.join();
    EXPECT_EQ(getter.HTTP().LastError(), WsaEConnAborted);
}

TEST(GetHttpText, TextIsTrimmed) {
    TCaptureServer server;
    server.Answer("HTTP/1.0 200 OK\r\n\r\n \t1.0.2.3\r\n\r\n");
    std::string text;
    ASSERT_TRUE(GetHttpText(text, "Agent", server.Url("/version.txt")));
    EXPECT_EQ(text, "1.0.2.3");
    int closed = test::FreeLoopbackPort();
    EXPECT_FALSE(GetHttpText(text, "Agent", "http://127.0.0.1:" + std::to_string(closed) + "/"));
}

} // namespace
} // namespace hostaq
