#include "SettingsFixture.h"

#include "config/IniFile.h"
#include "ui/settings/IPv6Settings.h"
#include "ui/settings/SettingsDialog.h"
#include "ui/settings/SettingsLogic.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

#include <gtest/gtest.h>

namespace hostaq::test {
namespace {

class IPv6Settings : public SettingsFixture {
protected:
    template <typename T> T* W(const char* name) { return Child<T>(&dialog(), name); }
    THostaqFormSetting& dialog() {
        if (!dialog_)
            dialog_ = std::make_unique<THostaqFormSetting>();
        return *dialog_;
    }
    std::unique_ptr<THostaqFormSetting> dialog_;
};

TEST(IPv6SettingsLogic, ChecksAndEnabling) {
    TIPv6Values v;
    EXPECT_EQ(CheckIPv6Values(v), "");
    v.Source = TIPv6Values::SourceManual;
    for (const char* bad : {"", "fd00::1", "fe80::1", "203.0.113.7", "x"}) {
        v.ManualIP = bad;
        EXPECT_NE(CheckIPv6Values(v), "") << bad;
    }
    v.ManualIP = "2001:db8::10";
    EXPECT_EQ(CheckIPv6Values(v), "");
    v.Source = TIPv6Values::SourcePage;
    EXPECT_EQ(CheckIPv6Values(v), "Please enter the address of the IPv6 check page.");
    const TIPv6Enabling e = IPv6Enabling(TIPv6Values::SourceInterface);
    EXPECT_TRUE(e.Interface && e.AllowTemporary && !e.CheckPage && !e.ManualIP);
    EXPECT_TRUE(IPv6Enabling(TIPv6Values::SourceManual).ManualIP);
    EXPECT_FALSE(IPv6Enabling(TIPv6Values::SourceManual).Interface);
}

TEST_F(IPv6Settings, OKWithoutTouchingTheIPv6SourceWritesNoneOfItsKeys) {
    dialog().accept();
    EXPECT_EQ(dialog().result(), QDialog::Accepted);
    EXPECT_FALSE(IniSectionExists(Path(), "IPv6Address"));
}

TEST_F(IPv6Settings, TheManualSourceIsCheckedThenSaved) {
    EXPECT_TRUE(W<QRadioButton>("RadioIPv6Interface")->isChecked());
    EXPECT_FALSE(W<QLineEdit>("EditIPv6ManualIP")->isEnabled());
    W<QRadioButton>("RadioIPv6Manual")->setChecked(true);
    EXPECT_TRUE(W<QLineEdit>("EditIPv6ManualIP")->isEnabled());
    EXPECT_FALSE(W<QLineEdit>("EditIPv6Interface")->isEnabled());
    W<QLineEdit>("EditIPv6ManualIP")->setText("fd00::1");
    dialog().accept();
    EXPECT_NE(dialog().result(), QDialog::Accepted);
    ASSERT_EQ(Asked().size(), 1u);
    EXPECT_EQ(W<QTabWidget>("PageControl")->currentIndex(), PageIPAddress);
    EXPECT_FALSE(IniSectionExists(Path(), "IPv6Address"));

    W<QLineEdit>("EditIPv6ManualIP")->setText("2001:db8::10");
    dialog().accept();
    EXPECT_EQ(dialog().result(), QDialog::Accepted);
    EXPECT_EQ(IniReadString(Path(), "IPv6Address", "Source", ""), "manual");
    EXPECT_EQ(IniReadString(Path(), "IPv6Address", "ManualIP", ""), "2001:db8::10");
    EXPECT_FALSE(IniValueExists(Path(), "IPv6Address", "AllowTemporary"));

    // Opened again, the page shows what was saved.
    THostaqFormSetting again;
    EXPECT_TRUE(Child<QRadioButton>(&again, "RadioIPv6Manual")->isChecked());
    EXPECT_EQ(Child<QLineEdit>(&again, "EditIPv6ManualIP")->text(), "2001:db8::10");
}

} // namespace
} // namespace hostaq::test
