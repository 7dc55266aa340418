// The About box's version check reads the page on a worker: the window keeps working while a
// slow page is read, and the answer comes when the page has arrived.
#include "LoopbackServer.h"
#include "TempDir.h"
#include "config/ConfigPath.h"
#include "config/IniFile.h"
#include "engine/EventLoop.h"
#include "engine/Presenter.h"
#include "net/WorkerThread.h"
#include "platform/SoftwareUpdate.h"
#include "ui/ProcessEvents.h"
#include "ui/loop/QtEventLoop.h"
#include "ui/main/AboutBox.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace hostaq::test {
namespace {

class TAnswers : public TPresenter {
public:
    bool Confirm(const std::string& text) override {
        Questions.push_back(text);
        return false;
    }
    void Notify(TNoticeKind, const std::string& text) override { Notices.push_back(text); }
    std::vector<std::string> Questions;
    std::vector<std::string> Notices;
};

TEST(AboutCheckTest, TheWindowStaysResponsiveWhileTheVersionPageIsRead) {
    TTempDir dir;
    SetConfigPath(dir.File("hostaq.ini"));
    // The page answers only when the test lets it (or after ten seconds, so a blocking check
    // cannot hang the test).
    std::atomic<bool> release{false};
    TLoopbackServer page([&](TServerConnection& c) {
        std::string request;
        if (!c.ReadHttpRequest(request))
            return;
        for (int i = 0; i < 1000 && !release; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        c.Write("HTTP/1.0 200 OK\r\n\r\n9.0.0.0\r\n");
        c.Close();
    });
    ASSERT_TRUE(IniWriteString(dir.File("hostaq.ini"), "CheckUpdate", "SoftAutoUpdateURL",
                               "http://127.0.0.1:" + std::to_string(page.Port()) + "/version.txt"));
    {
        TQtEventLoop loop;
        InstallMainThreadLoop(&loop);
        TAnswers answers;
        TSoftwareUpdate update(answers);
        update.OpenUrl = [](const std::string&) {};
        TAboutBox box([&](std::function<void()> done) { update.AboutCheck(std::move(done)); });
        auto* button = box.findChild<QPushButton*>(QStringLiteral("ButtonVersionCheck"));
        ASSERT_NE(button, nullptr);
        button->click();

        // The click returned while the page is still being read, and the window's events run.
        EXPECT_FALSE(release.load());
        EXPECT_EQ(update.ChecksInProgress(), 1);
        EXPECT_FALSE(button->isEnabled()) << "one check at a time";
        bool ticked = false;
        QTimer::singleShot(0, [&] { ticked = true; });
        EXPECT_TRUE(ProcessUntil([&] { return ticked; }, 5000));
        EXPECT_TRUE(answers.Questions.empty());

        release = true;
        EXPECT_TRUE(ProcessUntil([&] { return update.ChecksInProgress() == 0; }));
        EXPECT_TRUE(button->isEnabled());
        ASSERT_EQ(answers.Questions.size(), 1u);
        EXPECT_EQ(answers.Questions[0],
                  "A new version 9.0.0 (Build 0) is available.\r\nDo you want to visit the website now?");
        EXPECT_TRUE(ProcessUntil([] { return LiveWorkers() == 0; }));
        InstallMainThreadLoop(nullptr);
    }
    SetConfigPath("");
}

} // namespace
} // namespace hostaq::test
