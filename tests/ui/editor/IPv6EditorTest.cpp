#include "UiConfigFixture.h"

#include "config/IniFile.h"
#include "groups/DynAcc.h"
#include "ui/common/Prompt.h"
#include "ui/editor/AccountLogic.h"
#include "ui/editor/FormAccount.h"

#include <QCheckBox>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace hostaq::test {
namespace {

using IPv6EditorTest = TUiConfigTest;

TEST(IPv6AccountLogic, SuffixRuleAndEnabling) {
    EXPECT_EQ(CheckIPv6Suffix(""), "");
    EXPECT_EQ(CheckIPv6Suffix("::1234"), "");
    EXPECT_NE(CheckIPv6Suffix("1::1").find("\"1::1\" is not an interface identifier"), std::string::npos);
    EXPECT_NE(CheckIPv6Suffix("1234"), "");
    TAccountValues v;
    EXPECT_FALSE(IPv6SuffixEnabled(v));
    v.IPv6 = true;
    EXPECT_TRUE(IPv6SuffixEnabled(v));
    // The suffix is saved only with the AAAA records it is for.
    v.Name = "Home";
    THostRow row;
    row.Host = "a.example";
    v.Hosts = {row};
    v.IPv6Suffix = " ::12 ";
    EXPECT_EQ(PlanAccountSave(v, true).Groups[0].second.IPv6Suffix, "::12");
    v.IPv6 = false;
    EXPECT_EQ(PlanAccountSave(v, true).Groups[0].second.IPv6Suffix, "");
}

TEST_F(IPv6EditorTest, TheCheckBoxAndTheSuffixAreSavedAndABadSuffixKeepsTheDialogOpen) {
    StoreGroup("Home", {"a.example"});
    TFormAccount form(nullptr, "Home");
    auto* ipv6 = Find<QCheckBox>(form, "CheckBoxIPv6");
    auto* suffix = Find<QLineEdit>(form, "EditIPv6Suffix");
    EXPECT_EQ(ipv6->text(), "Also update the IPv6 address (AAAA)");
    EXPECT_FALSE(ipv6->isChecked());
    EXPECT_FALSE(suffix->isEnabled());
    ipv6->setChecked(true);
    EXPECT_TRUE(suffix->isEnabled());
    suffix->setText("1::1");
    form.accept();
    EXPECT_NE(form.result(), QDialog::Accepted);
    ASSERT_EQ(AskedTexts().size(), 1u);
    EXPECT_NE(AskedTexts()[0].find("is not an interface identifier"), std::string::npos);
    EXPECT_FALSE(IniValueExists(Path, "Home", "IPv6"));

    suffix->setText("::1234");
    form.accept();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(IniReadString(Path, "Home", "IPv6", ""), "1");
    EXPECT_EQ(IniReadString(Path, "Home", "IPv6Suffix", ""), "::1234");

    TFormAccount again(nullptr, "Home");
    EXPECT_TRUE(Find<QCheckBox>(again, "CheckBoxIPv6")->isChecked());
    EXPECT_EQ(Find<QLineEdit>(again, "EditIPv6Suffix")->text(), "::1234");
}

} // namespace
} // namespace hostaq::test
