#include "ui/loop/QtEventLoop.h"
#include "engine/EventLoop.h"
#include "ui/ProcessEvents.h"

#include <QCoreApplication>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace hostaq {
namespace {

using test::ProcessUntil;

// Runs Qt's event loop until done holds or the real-time limit passes (worker threads deliver
// their calls asynchronously; nothing here waits for a timer of its own).

TEST(QtEventLoopTest, AWatchedDescriptorIsServedUntilItsHandlerUnwatchesIt) {
    TQtEventLoop loop;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::string read;
    loop.WatchReadable(fds[0], [&] {
        char c = 0;
        if (::read(fds[0], &c, 1) == 1)
            read += c;
        if (c == 'b')
            loop.Unwatch(fds[0]);
    });
    ASSERT_EQ(::write(fds[1], "ab", 2), 2);
    EXPECT_TRUE(ProcessUntil([&] { return read == "ab"; }));
    ASSERT_EQ(::write(fds[1], "c", 1), 1);
    loop.Post([] {});
    ProcessUntil([] { return false; }, 100);
    EXPECT_EQ(read, "ab") << "unwatched: nothing more is read";
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(QtEventLoopTest, PostedCallsAndWorkerInvokesRunOnTheGuiThreadInOrder) {
    TQtEventLoop loop;
    std::vector<int> order;
    std::atomic<bool> workerDone{false};
    loop.Post([&] { order.push_back(1); });
    std::thread worker([&] {
        // Blocks until the main thread has run the call, as a worker's Synchronize does.
        loop.Invoke([&] {
            EXPECT_TRUE(loop.OnLoopThread());
            order.push_back(2);
        });
        workerDone = true;
    });
    EXPECT_TRUE(ProcessUntil([&] { return workerDone.load(); }));
    worker.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(QtEventLoopTest, TimersFireWhileQtRunsAndStopWhenDisabled) {
    TQtEventLoop loop;
    TTimer timer(loop, 1);
    int fired = 0;
    timer.OnTimer = [&] {
        if (++fired == 3)
            timer.SetEnabled(false);
    };
    timer.SetEnabled(true);
    EXPECT_TRUE(ProcessUntil([&] { return fired >= 3; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(fired, 3);
    EXPECT_FALSE(timer.Enabled());
}

TEST(QtEventLoopTest, QuitEndsRunWithItsCode) {
    TQtEventLoop loop;
    TTimer timer(loop, 1);
    timer.OnTimer = [&] { loop.Quit(7); };
    timer.SetEnabled(true);
    EXPECT_EQ(loop.Run(), 7);
}

TEST(QtEventLoopTest, ClosingReleasesAWaitingWorker) {
    auto loop = std::make_unique<TQtEventLoop>();
    bool ran = false;
    std::thread worker([&] { loop->Invoke([&] { ran = true; }); });
    // The worker's call is never served (no Qt events are processed): closing lets it go.
    loop->Close();
    worker.join();
    loop.reset();
    EXPECT_FALSE(ran);
}

} // namespace
} // namespace hostaq
