#include "platform/AddressSignals.h"
#include "PrivateBus.h"

#include <chrono>
#include <gtest/gtest.h>
#include <systemd/sd-bus.h>
#include <vector>

namespace hostaq {
namespace {

using test::TPrivateBus;

struct TReceived {
    std::string Member;
    std::string Address;
    std::uint32_t WParam = 0;
    std::uint32_t LParam = 0;
};

// A program listening for the address signals on the bus.
class TSignalClient {
public:
    explicit TSignalClient(const std::string& address) {
        bus_ = OpenBus(address, TBusKind::Session, "test-client");
        if (bus_)
            ::sd_bus_add_match(
                bus_.get(), nullptr,
                "type='signal',interface='example.hostaq.Updater',path='/example/hostaq/Updater'",
                &TSignalClient::OnSignal, this);
    }
    bool Ready() const { return bus_ != nullptr; }

    // Processes the bus until n signals arrived, at most five seconds.
    bool WaitFor(std::size_t n) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (received.size() < n && std::chrono::steady_clock::now() < until) {
            if (::sd_bus_process(bus_.get(), nullptr) == 0)
                ::sd_bus_wait(bus_.get(), 100000);
        }
        return received.size() >= n;
    }

    std::vector<TReceived> received;

private:
    static int OnSignal(sd_bus_message* m, void* userdata, sd_bus_error*) {
        TReceived r;
        r.Member = ::sd_bus_message_get_member(m);
        const char* text = nullptr;
        if (::sd_bus_message_read(m, "suu", &text, &r.WParam, &r.LParam) >= 0)
            r.Address = text;
        static_cast<TSignalClient*>(userdata)->received.push_back(r);
        return 0;
    }

    TBusPtr bus_;
};

TEST(AddressSignalsTest, ClientsReceiveTheAddressAndItsPackedNumbers) {
    TPrivateBus bus;
    if (!bus.Available())
        GTEST_SKIP() << "no private D-Bus daemon: " << bus.Problem();
    TSignalClient client(bus.Address());
    ASSERT_TRUE(client.Ready());

    TAddressSignals signals(bus.Address());
    signals.Broadcast(CurrentIpMessage, "192.168.1.20", 11010240, 1310721);
    signals.Broadcast(UpdatedIpMessage, "203.0.113.7", 203 + 0 * 65536, 113 + 7 * 65536);
    ASSERT_TRUE(client.WaitFor(2));

    EXPECT_EQ(client.received[0].Member, "HOSTAQ_UPDATER_CURRENT_IP");
    EXPECT_EQ(client.received[0].Address, "192.168.1.20");
    EXPECT_EQ(client.received[0].WParam, 11010240u);
    EXPECT_EQ(client.received[0].LParam, 1310721u);
    EXPECT_EQ(client.received[1].Member, "HOSTAQ_UPDATER_UPDATED_IP");
    EXPECT_EQ(client.received[1].Address, "203.0.113.7");
    EXPECT_EQ(client.received[1].LParam, 113u + 7u * 65536u);
}

TEST(AddressSignalsTest, MissingBusIsSilent) {
    TAddressSignals signals("unix:path=/nonexistent/hostaq-test-bus");
    signals.Broadcast(CurrentIpMessage, "192.168.1.20", 11010240, 1310721);
    signals.Broadcast(UpdatedIpMessage, "192.168.1.20", 11010240, 1310721);
    SUCCEED();
}

} // namespace
} // namespace hostaq
