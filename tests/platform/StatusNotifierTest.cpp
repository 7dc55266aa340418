// Which tray the desktop offers: a StatusNotifierWatcher stand-in on a private bus.
#include "platform/StatusNotifier.h"
#include "PrivateBus.h"

#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <atomic>
#include <thread>

namespace hostaq::test {
namespace {

// The watcher of a StatusNotifierItem desktop: owns its name and tells whether a host (the
// panel that shows the icons) is registered with it.
class TFakeWatcher {
public:
    TFakeWatcher(const std::string& address, bool hostRegistered) : hostRegistered_(hostRegistered) {
        if (::sd_bus_new(&bus_) < 0 || ::sd_bus_set_address(bus_, address.c_str()) < 0 ||
            ::sd_bus_set_bus_client(bus_, 1) < 0 || ::sd_bus_start(bus_) < 0 ||
            ::sd_bus_add_object_vtable(bus_, &slot_, "/StatusNotifierWatcher",
                                       "org.kde.StatusNotifierWatcher", Table, this) < 0 ||
            ::sd_bus_request_name(bus_, "org.kde.StatusNotifierWatcher", 0) < 0)
            return;
        thread_ = std::thread([this] {
            while (!stop_.load() && ::sd_bus_process(bus_, nullptr) >= 0)
                ::sd_bus_wait(bus_, 50000);
        });
    }
    ~TFakeWatcher() {
        stop_.store(true);
        if (thread_.joinable())
            thread_.join();
        ::sd_bus_slot_unref(slot_);
        ::sd_bus_flush_close_unref(bus_);
    }
    TFakeWatcher(const TFakeWatcher&) = delete;
    TFakeWatcher& operator=(const TFakeWatcher&) = delete;

    bool Ready() const { return thread_.joinable(); }

private:
    static int HostRegistered(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply,
                              void* userdata, sd_bus_error*) {
        return ::sd_bus_message_append(reply, "b",
                                       static_cast<TFakeWatcher*>(userdata)->hostRegistered_ ? 1 : 0);
    }
    static constexpr sd_bus_vtable Table[] = {
        SD_BUS_VTABLE_START(0), SD_BUS_PROPERTY("IsStatusNotifierHostRegistered", "b", HostRegistered, 0, 0),
        SD_BUS_VTABLE_END};

    int hostRegistered_;
    sd_bus* bus_ = nullptr;
    sd_bus_slot* slot_ = nullptr;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(StatusNotifierTest, AHostRegisteredWithTheWatcherMeansStatusNotifierItems) {
    TPrivateBus bus;
    if (!bus.Available())
        GTEST_SKIP() << bus.Problem();
    EXPECT_FALSE(StatusNotifierHostRegistered(bus.Address())) << "no watcher: the X tray";
    EXPECT_FALSE(StatusNotifierHostRegistered("unix:path=/nonexistent/bus")) << "no bus at all";
    {
        TFakeWatcher watcher(bus.Address(), false);
        ASSERT_TRUE(watcher.Ready());
        EXPECT_FALSE(StatusNotifierHostRegistered(bus.Address())) << "a watcher without a panel";
    }
    TFakeWatcher watcher(bus.Address(), true);
    ASSERT_TRUE(watcher.Ready());
    EXPECT_TRUE(StatusNotifierHostRegistered(bus.Address()));
}

} // namespace
} // namespace hostaq::test
