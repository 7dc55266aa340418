// The wizard's and the group editor's captions come from the message table, so a language file
// changes them as it changes every other window.
#include "../editor/UiConfigFixture.h"

#include "config/Messages.h"
#include "ui/common/Prompt.h"
#include "ui/editor/FormAccount.h"
#include "ui/wizard/FormWizard.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>

namespace hostaq::test {
namespace {

class WizardCaptionsTest : public TUiConfigTest {
protected:
    ~WizardCaptionsTest() override {
        ResetMessages();
        TPrompt::Reset();
    }
    // The caption of the form row that holds the field.
    static QString LabelOf(const QWidget& w, const char* field) {
        const QWidget* edit = Find<QWidget>(w, field);
        for (const QLabel* label : w.findChildren<QLabel*>())
            if (label->buddy() == edit)
                return label->text();
        return {};
    }
};

TEST_F(WizardCaptionsTest, ALanguageFileChangesTheWizardAndTheEditor) {
    const std::string language = Dir.File("HostaqLang.ini");
    WriteFileText(language, "[Messages]\n"
                            "10551=&Gruppenname:\n"
                            "10553=&Benutzername:\n"
                            "10757=Hostnamengruppe\n"
                            "10758=%s - Eigenschaften\n"
                            "10763=&Herunterladen\n");
    ASSERT_TRUE(LoadMessages(language));

    TFormWizard w;
    EXPECT_EQ(LabelOf(w, "EditAccountName"), QStringLiteral("&Gruppenname:"));
    EXPECT_EQ(LabelOf(w, "EditUsername"), QStringLiteral("&Benutzername:"));
    // A later text the file does not have keeps the program's own.
    EXPECT_EQ(Find<QAbstractButton>(w, "ButtonBack")->text(), QStringLiteral("< &Back"));
    TPrompt::QueueAnswer(TPromptButton::Yes);
    w.reject();

    TFormAccount editor(nullptr, "");
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("Hostnamengruppe - Eigenschaften"));
    EXPECT_EQ(Find<QAbstractButton>(editor, "ButtonDownload")->text(), QStringLiteral("&Herunterladen"));
    EXPECT_EQ(LabelOf(editor, "EditUsername"), QStringLiteral("&Benutzername:"));
}

} // namespace
} // namespace hostaq::test
