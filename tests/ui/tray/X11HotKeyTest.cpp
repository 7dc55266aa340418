// The X11 grab against a real X server: Xvfb started for the test on a display it picks itself.
#include "ui/tray/X11HotKey.h"
#include "TrayTestSupport.h"
#include "XDesktop.h"
#include "ui/tray/VemoHotKey.h"

#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <poll.h>

namespace hostaq {
namespace {

class X11HotKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::OnPath("Xvfb"))
            GTEST_SKIP() << "Xvfb is not installed; the X11 hot key is not tried";
        server_ = std::make_unique<test::TXServer>();
        ASSERT_FALSE(server_->Display().empty()) << "Xvfb did not start";
        display_ = server_->Display();
        app_ = Connect();
        holder_ = Connect();
    }
    void TearDown() override {
        for (xcb_connection_t* connection : {app_, holder_})
            if (connection != nullptr)
                xcb_disconnect(connection);
        server_.reset();
    }
    xcb_connection_t* Connect() {
        xcb_connection_t* connection = xcb_connect(display_.c_str(), nullptr);
        EXPECT_EQ(xcb_connection_has_error(connection), 0);
        return connection;
    }
    // The next key event of the connection, or nothing within the guard time.
    std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> NextKeyEvent(xcb_connection_t* connection) {
        pollfd fd{xcb_get_file_descriptor(connection), POLLIN, 0};
        for (;;) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
                const int type = event->response_type & 0x7f;
                if (type == XCB_KEY_PRESS)
                    return {event, &std::free};
                std::free(event);
            }
            if (::poll(&fd, 1, 10000) <= 0)
                return {nullptr, &std::free};
        }
    }

    std::unique_ptr<test::TXServer> server_;
    std::string display_;
    xcb_connection_t* app_ = nullptr;
    xcb_connection_t* holder_ = nullptr;
};

TEST_F(X11HotKeyTest, GrabsAFreeKeyAndIsRefusedOneAnotherClientHolds) {
    TX11HotKeyBackend backend(app_);
    QString error;
    int pressed = 0;
    const int id = backend.Grab(
        6, 'D', [&] { ++pressed; }, error);
    EXPECT_GT(id, 0) << error.toStdString();
    // The same key twice in one program is refused too.
    EXPECT_EQ(backend.Grab(
                  6, 'D', [] {}, error),
              0);

    // Another client takes Alt+F5 first.
    TX11HotKeyBackend other(holder_);
    const int otherId = other.Grab(
        1, 0x74, [] {}, error);
    ASSERT_GT(otherId, 0) << error.toStdString();
    error.clear();
    EXPECT_EQ(backend.Grab(
                  1, 0x74, [] {}, error),
              0);
    EXPECT_EQ(error, QStringLiteral("Another program holds the hot key"));

    // Through the component: the failure path clears the key.
    TVemoHotKey::SetBackend(&backend);
    {
        TVemoHotKey hotKey;
        test::TSpy failed(&hotKey, &TVemoHotKey::OnHotKeyRegisterFailed);
        hotKey.SetHotKey(HotKeyFromWindows(1, 0x74));
        hotKey.SetActive(true);
        ASSERT_EQ(failed.count(), 1);
        EXPECT_EQ(failed[0][0].toInt(), 0);
        EXPECT_TRUE(hotKey.HotKey().isEmpty());
        // Released by the other client, the key can be had.
        other.Release(otherId);
        std::free(xcb_get_input_focus_reply(holder_, xcb_get_input_focus(holder_), nullptr));
        test::TSpy success(&hotKey, &TVemoHotKey::OnHotKeyRegisterSuccess);
        hotKey.SetHotKey(HotKeyFromWindows(1, 0x74));
        EXPECT_EQ(success.count(), 1) << hotKey.FailureReason().toStdString();
    }
    TVemoHotKey::SetBackend(nullptr);
    backend.Release(id);
}

TEST_F(X11HotKeyTest, KeyPressedAnywhereRunsTheHandlerWhateverTheLockKeys) {
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xdotool.isEmpty())
        GTEST_SKIP() << "xdotool is not installed; no key can be pressed";
    TX11HotKeyBackend backend(app_);
    QString error;
    int pressed = 0;
    ASSERT_GT(backend.Grab(
                  6, 'D', [&] { ++pressed; }, error),
              0)
        << error.toStdString();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QString::fromStdString(display_));
    const auto press = [&](const QStringList& keys) {
        QProcess tool;
        tool.setProcessEnvironment(environment);
        tool.start(xdotool, QStringList{QStringLiteral("key")} + keys);
        return tool.waitForFinished(20000) && tool.exitCode() == 0;
    };
    ASSERT_TRUE(press({QStringLiteral("ctrl+shift+d")}));
    auto event = NextKeyEvent(app_);
    ASSERT_TRUE(event);
    EXPECT_TRUE(backend.HandleEvent(event.get()));
    EXPECT_EQ(pressed, 1);

    // With Caps Lock on the grab still fires.
    ASSERT_TRUE(
        press({QStringLiteral("Caps_Lock"), QStringLiteral("ctrl+shift+d"), QStringLiteral("Caps_Lock")}));
    event = NextKeyEvent(app_);
    ASSERT_TRUE(event);
    EXPECT_TRUE(backend.HandleEvent(event.get()));
    EXPECT_EQ(pressed, 2);
}

} // namespace
} // namespace hostaq
