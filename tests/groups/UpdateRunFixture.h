#pragma once

#include "config/Clock.h"
#include "config/ConfigPath.h"
#include "groups/HostaqUpdate.h"
#include "groups/UpdateReport.h"
#include "groups/UpdateUrl.h"
#include "log/Log.h"
#include "net/MainThread.h"
#include "net/WorkerThread.h"

#include "ProtocolFixture.h"
#include "ProviderServer.h"

#include <algorithm>

namespace hostaq::test {

// Whole requests through the real client and worker threads against a loopback provider, with
// the test's thread as the main thread.
class TUpdateRunFixture : public TProtocolFixture {
protected:
    struct TEntry {
        int Kind;
        std::string Text;
    };

    void SetUp() override {
        TProtocolFixture::SetUp();
        SetConfigPath(Path);
        sink_ = AddLogSink([this](int kind, const std::string& text) { Log.push_back({kind, text}); });
        UpdateReport().Start("");
        Set("Options", "UpdateHost", Provider.HostPort());
    }
    void TearDown() override {
        // Every worker ends before the provider and the loop go away.
        EXPECT_TRUE(Loop.PumpUntil([] { return LiveWorkers() == 0; }, 10000));
        RemoveLogSink(sink_);
        SetConfigPath("");
        TProtocolFixture::TearDown();
    }

    // A plain-HTTP group, so the standard request reaches the loopback provider.
    void SavePlain(const std::string& name, TDynAcc g) {
        g.Secure = false;
        Save(name, g);
    }

    // Sends one group as an update run would and waits for its end.
    UpdateResultClass Send(const std::string& group, const std::string& address = "192.0.2.1",
                           bool offline = false, const std::string& offlineAddress = "") {
        THostaqUpdate controller(Path);
        controller.StartUpdate(offline ? offlineAddress : address, group,
                               BuildUpdateURL(Path, group, address, offlineAddress, offline));
        EXPECT_TRUE(Loop.PumpUntil([&] { return controller.Done; }, 10000)) << group;
        return controller.Result;
    }

    bool Logged(int kind, const std::string& text) const {
        return std::any_of(Log.begin(), Log.end(),
                           [&](const TEntry& e) { return e.Kind == kind && e.Text == text; });
    }

    TManualClock Clock{TDateTime::FromParts(2008, 3, 1, 12, 0, 0)};
    TClockGuard ClockGuard{&Clock};
    TPumpedDispatcher Loop;
    TProviderServer Provider;
    std::vector<TEntry> Log;

private:
    int sink_ = 0;
};

} // namespace hostaq::test
