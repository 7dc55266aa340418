// The wizard as a keyboard user meets it: each page takes the typing at once.
#include "../editor/UiConfigFixture.h"

#include "EnvGuard.h"
#include "config/IniFile.h"
#include "ipdetect/HostNetwork.h"
#include "ui/common/Prompt.h"
#include "ui/wizard/FormWizard.h"
#include "ui/wizard/WizardSteps.h"

#include <QAbstractButton>
#include <QLineEdit>

namespace hostaq::test {
namespace {

class WizardKeyboardTest : public TUiConfigTest {
protected:
    ~WizardKeyboardTest() override { TPrompt::Reset(); }
    static QString Focused(const TFormWizard& w) {
        return w.focusWidget() ? w.focusWidget()->objectName() : QString();
    }

    TFixedHostNetwork Network{{{"192.168.1.10", "255.255.255.0"}}, {"192.168.1.1"}};
    THostNetworkGuard NetworkGuard{&Network};
    TEnvGuard NoProxy1{"http_proxy", std::nullopt};
    TEnvGuard NoProxy2{"HTTP_PROXY", std::nullopt};
};

TEST_F(WizardKeyboardTest, EachPageFocusesItsFirstInputAndANewFileOffersHome) {
    TFormWizard w;
    w.show();
    EXPECT_EQ(Focused(w), QStringLiteral("ButtonNext")) << "the welcome page has nothing to type into";
    const std::pair<int, const char*> pages[] = {
        {StepConnection, "RadioButtonLAN"},    // the choice made, as Tab would reach it
        {StepPublicAddress, "ButtonDetectIP"}, //
        {StepGroupName, "EditAccountName"},    //
        {StepLogin, "EditUsername"},           //
    };
    for (const auto& [step, focus] : pages) {
        w.Next();
        ASSERT_EQ(w.CurrentStep(), step);
        EXPECT_EQ(Focused(w), QString::fromLatin1(focus)) << "step " << step;
        if (step == StepGroupName) {
            auto* name = Find<QLineEdit>(w, "EditAccountName");
            EXPECT_EQ(name->text(), QStringLiteral("Home"));
            EXPECT_EQ(name->selectedText(), QStringLiteral("Home")) << "typing replaces the offer";
        }
    }
    TPrompt::QueueAnswer(TPromptButton::Yes);
    w.reject();

    // A file that has a group already gets no offer.
    IniWriteString(Path, "office", "UserID", "joe");
    IniWriteString(Path, "office", "Password", "00");
    IniWriteString(Path, "office", "Type", "0");
    IniWriteString(Path, "office", "NumOfHosts", "1");
    IniWriteString(Path, "office", "Host1", "a.example");
    TFormWizard second;
    EXPECT_TRUE(Find<QLineEdit>(second, "EditAccountName")->text().isEmpty());
    TPrompt::QueueAnswer(TPromptButton::Yes);
    second.reject();
}

} // namespace
} // namespace hostaq::test
