// Every exchange has an overall deadline besides the time-out of each read: a page that sends one
// byte every 20 s cannot hold --once. The deadline is measured on the program's clock too, so the
// test moves its clock instead of waiting a minute.
#include "ProgramRunner.h"
#include "TempDir.h"

#include "LoopbackServer.h"
#include "app/CommandLine.h"
#include "app/MonitorCommands.h"
#include "config/Clock.h"
#include "config/IniFile.h"

#include <cerrno>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <sys/socket.h>
#include <thread>

namespace hostaq::test {
namespace {

TEST(OnceDeadlineTest, APageSendingOneByteEveryTwentySecondsFailsTheCheckWithinTheDeadline) {
    TTempDir dir;
    const std::string ini = dir.File("hostaq.ini");
    ASSERT_EQ(RunHostaq(dir.Path(),
                        {"--group-add", "Home", "--user", "joe", "--hosts", "a.example", "--insecure", ini},
                        "secret\n"),
              0);

    TManualClock clock{TDateTime::FromParts(2008, 3, 10, 12, 0, 0)};
    TClockGuard guard{&clock};
    // Seconds on the program's clock when the client gave up the connection (-1: it never did).
    std::atomic<int> gaveUpAt{-1};
    std::atomic<bool> stop{false};
    TLoopbackServer page([&](TServerConnection& c) {
        std::string request;
        if (!c.ReadHttpRequest(request))
            return;
        const std::string answer = "HTTP/1.0 200 OK\r\n\r\nCurrent IP Address: 203.0.113.8\r\n";
        for (std::size_t i = 0; i < answer.size() && !stop; ++i) {
            if (!c.Write(answer.substr(i, 1))) {
                gaveUpAt = static_cast<int>(i) * 20;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            char probe = 0;
            const ssize_t n = ::recv(c.Fd(), &probe, 1, MSG_PEEK | MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {
                gaveUpAt = static_cast<int>(i) * 20;
                return;
            }
            clock.AdvanceSecs(20);
        }
    });
    ASSERT_TRUE(IniWriteString(ini, "Connection", "ServerIP",
                               "http://127.0.0.1:" + std::to_string(page.Port()) + "/"));

    TCommandLine cl;
    cl.Command = TCommand::Once;
    cl.ConfigArgs = {ini};
    auto once = std::async(std::launch::async, [&] { return RunOnce(cl); });
    const bool ended = once.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    stop = true;
    ASSERT_TRUE(ended);
    EXPECT_EQ(once.get(), 1) << "the check failed";
    for (int i = 0; i < 200 && gaveUpAt.load() < 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10)); // the server notices the close
    EXPECT_GE(gaveUpAt.load(), 60) << "not before the deadline";
    EXPECT_LE(gaveUpAt.load(), 80) << "the client gave up once 60 s had passed";
}

} // namespace
} // namespace hostaq::test
