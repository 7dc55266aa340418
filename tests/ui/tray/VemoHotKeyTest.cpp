#include "ui/tray/VemoHotKey.h"
#include "TrayTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

namespace hostaq {
namespace {

QKeySequence Windows(int modifiers, int virtualKey) {
    return HotKeyFromWindows(modifiers, virtualKey);
}

TEST(HotKeyEncodingTest, PopUpModAndPopUpKeyMapBothWays) {
    EXPECT_EQ(Windows(6, 68), QKeySequence(QStringLiteral("Ctrl+Shift+D")));
    int mods = -1;
    int key = -1;
    ASSERT_TRUE(HotKeyToWindows(QKeySequence(QStringLiteral("Ctrl+Shift+D")), mods, key));
    EXPECT_EQ(mods, 6);
    EXPECT_EQ(key, 68);
    EXPECT_EQ(Windows(1, 0x70), QKeySequence(QStringLiteral("Alt+F1")));
    EXPECT_EQ(Windows(7, 0x2E), QKeySequence(QStringLiteral("Ctrl+Alt+Shift+Del")));
    EXPECT_EQ(Windows(2, 0x21), QKeySequence(QStringLiteral("Ctrl+PgUp")));
    EXPECT_EQ(Windows(0, 0x20), QKeySequence(QStringLiteral("Space")));
    // Shifted characters as the keyboard reports them.
    ASSERT_TRUE(HotKeyToWindows(QKeySequence(Qt::ShiftModifier | Qt::Key_Exclam), mods, key));
    EXPECT_EQ(mods, 4);
    EXPECT_EQ(key, '1');
}

TEST(HotKeyEncodingTest, EveryKnownKeyRoundTripsWithEveryModifierSet) {
    std::vector<int> codes;
    for (int vk = 'A'; vk <= 'Z'; ++vk)
        codes.push_back(vk);
    for (int vk = '0'; vk <= '9'; ++vk)
        codes.push_back(vk);
    for (int vk = 0x70; vk < 0x70 + 24; ++vk) // F1 to F24
        codes.push_back(vk);
    for (int vk : {0x08, 0x09, 0x0D, 0x13, 0x1B, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26,
                   0x27, 0x28, 0x2C, 0x2D, 0x2E, 0x60, 0x69, 0x6A, 0x6B, 0x6D, 0x6E, 0x6F,
                   0x91, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF, 0xC0, 0xDB, 0xDC, 0xDD, 0xDE})
        codes.push_back(vk);
    std::map<QKeySequence, int> seen;
    for (int vk : codes) {
        for (int mods = 0; mods < 8; ++mods) {
            const QKeySequence sequence = Windows(mods, vk);
            ASSERT_FALSE(sequence.isEmpty()) << vk;
            int backMods = -1;
            int backKey = -1;
            ASSERT_TRUE(HotKeyToWindows(sequence, backMods, backKey)) << vk << " " << mods;
            EXPECT_EQ(backMods, mods) << vk;
            EXPECT_EQ(backKey, vk) << vk;
        }
        // No two codes give the same key.
        EXPECT_TRUE(seen.emplace(Windows(0, vk), vk).second) << vk << " and " << seen[Windows(0, vk)];
    }
}

TEST(HotKeyEncodingTest, KeysWithoutWindowsCodeAreRefused) {
    EXPECT_TRUE(Windows(6, 0).isEmpty());
    EXPECT_TRUE(Windows(2, 0xFF).isEmpty());
    int mods = -1;
    int key = -1;
    EXPECT_FALSE(HotKeyToWindows(QKeySequence(), mods, key));
    EXPECT_EQ(mods, 0);
    EXPECT_EQ(key, 0);
    EXPECT_FALSE(HotKeyToWindows(QKeySequence(QStringLiteral("Meta+D")), mods, key));
    EXPECT_FALSE(HotKeyToWindows(QKeySequence(QStringLiteral("Ctrl+D, Ctrl+E")), mods, key));
    EXPECT_FALSE(HotKeyToWindows(QKeySequence(Qt::Key_VolumeUp), mods, key));
}

// Grants or refuses keys as the test says and lets it press them.
class TFakeHotKeyBackend : public THotKeyBackend {
public:
    int Grab(int modifiers, int virtualKey, std::function<void()> pressed, QString& error) override {
        Grabs.push_back({modifiers, virtualKey});
        if (Refuse) {
            error = QStringLiteral("Another program holds the hot key");
            return 0;
        }
        Held[++lastId_] = std::move(pressed);
        return lastId_;
    }
    void Release(int id) override { Held.erase(id); }
    void PressAll() {
        for (auto& [id, pressed] : Held)
            pressed();
    }

    bool Refuse = false;
    std::vector<std::pair<int, int>> Grabs;
    std::map<int, std::function<void()>> Held;

private:
    int lastId_ = 0;
};

class VemoHotKeyTest : public ::testing::Test {
protected:
    void SetUp() override { TVemoHotKey::SetBackend(&backend_); }
    void TearDown() override { TVemoHotKey::SetBackend(nullptr); }
    TFakeHotKeyBackend backend_;
};

TEST_F(VemoHotKeyTest, RegistrationSuccessHoldsTheKeyUntilDeactivated) {
    TVemoHotKey hotKey;
    test::TSpy success(&hotKey, &TVemoHotKey::OnHotKeyRegisterSuccess);
    test::TSpy pressed(&hotKey, &TVemoHotKey::OnHotKey);
    hotKey.SetHotKey(Windows(6, 68));
    EXPECT_TRUE(backend_.Grabs.empty()); // not active yet
    hotKey.SetActive(true);
    ASSERT_EQ(success.count(), 1);
    EXPECT_EQ(success[0][0].toInt(), 6);
    EXPECT_EQ(success[0][1].toInt(), 68);
    EXPECT_TRUE(hotKey.Registered());
    EXPECT_TRUE(hotKey.FailureReason().isEmpty());
    backend_.PressAll();
    EXPECT_EQ(pressed.count(), 1);

    // A new key while active: the old one goes, the new one is taken.
    hotKey.SetHotKey(Windows(1, 0x71));
    ASSERT_EQ(backend_.Held.size(), 1u);
    EXPECT_EQ(backend_.Grabs.back(), std::make_pair(1, 0x71));
    EXPECT_EQ(success.count(), 2);
    hotKey.SetActive(false);
    EXPECT_TRUE(backend_.Held.empty());
    EXPECT_EQ(hotKey.HotKey(), Windows(1, 0x71));
    {
        TVemoHotKey other;
        other.SetHotKey(Windows(2, 'Q'));
        other.SetActive(true);
        EXPECT_EQ(backend_.Held.size(), 1u);
    }
    EXPECT_TRUE(backend_.Held.empty()); // released on destruction
}

TEST_F(VemoHotKeyTest, RefusedKeyReportsZerosAndEmptiesTheHotKey) {
    backend_.Refuse = true;
    TVemoHotKey hotKey;
    test::TSpy failed(&hotKey, &TVemoHotKey::OnHotKeyRegisterFailed);
    test::TSpy success(&hotKey, &TVemoHotKey::OnHotKeyRegisterSuccess);
    hotKey.SetHotKey(Windows(6, 68));
    hotKey.SetActive(true);
    ASSERT_EQ(failed.count(), 1);
    EXPECT_EQ(failed[0][0].toInt(), 0);
    EXPECT_EQ(failed[0][1].toInt(), 0);
    EXPECT_EQ(success.count(), 0);
    EXPECT_TRUE(hotKey.HotKey().isEmpty());
    EXPECT_FALSE(hotKey.Registered());
    EXPECT_FALSE(hotKey.FailureReason().isEmpty());

    // A key without a Windows code fails the same way without asking the backend.
    backend_.Refuse = false;
    backend_.Grabs.clear();
    hotKey.SetHotKey(QKeySequence(QStringLiteral("Meta+D")));
    EXPECT_EQ(failed.count(), 2);
    EXPECT_TRUE(backend_.Grabs.empty());
    EXPECT_TRUE(hotKey.HotKey().isEmpty());
}

TEST_F(VemoHotKeyTest, AKeyWithoutCtrlOrAltIsNeverGrabbed) {
    for (const auto& [mods, key, problem] : std::vector<std::tuple<int, int, bool>>{{0, 'A', true},
                                                                                    {4, 'A', true},
                                                                                    {0, 0x0D, true},
                                                                                    {2, 'A', false},
                                                                                    {1, 0x0D, false},
                                                                                    {5, 'A', false}}) {
        SCOPED_TRACE(Windows(mods, key).toString().toStdString());
        EXPECT_EQ(!HotKeyProblem(Windows(mods, key)).isEmpty(), problem);
        TVemoHotKey hotKey;
        test::TSpy failed(&hotKey, &TVemoHotKey::OnHotKeyRegisterFailed);
        backend_.Grabs.clear();
        hotKey.SetHotKey(Windows(mods, key));
        hotKey.SetActive(true);
        EXPECT_EQ(failed.count(), problem ? 1 : 0);
        EXPECT_EQ(backend_.Grabs.empty(), problem);
        EXPECT_EQ(hotKey.FailureReason().contains(QLatin1String("Ctrl or Alt")), problem);
    }
    EXPECT_TRUE(HotKeyProblem(QKeySequence()).isEmpty()) << "no hot key is no problem";
}

TEST_F(VemoHotKeyTest, EmptyHotKeyRegistersNothing) {
    TVemoHotKey hotKey;
    test::TSpy failed(&hotKey, &TVemoHotKey::OnHotKeyRegisterFailed);
    test::TSpy success(&hotKey, &TVemoHotKey::OnHotKeyRegisterSuccess);
    hotKey.SetActive(true);
    hotKey.SetHotKey(Windows(0, 0));
    EXPECT_EQ(failed.count() + success.count(), 0);
    EXPECT_TRUE(backend_.Grabs.empty());
}

TEST(VemoHotKeyPlatformTest, WithoutAnX11DisplayRegistrationFails) {
    TVemoHotKey::SetBackend(nullptr);
    TVemoHotKey hotKey;
    test::TSpy failed(&hotKey, &TVemoHotKey::OnHotKeyRegisterFailed);
    hotKey.SetHotKey(Windows(6, 68));
    hotKey.SetActive(true);
    ASSERT_EQ(failed.count(), 1);
    EXPECT_TRUE(hotKey.HotKey().isEmpty());
    EXPECT_TRUE(hotKey.FailureReason().contains(QLatin1String("X11")))
        << hotKey.FailureReason().toStdString();
}

} // namespace
} // namespace hostaq
