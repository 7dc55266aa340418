// Opens the group editor, its prompts and every page of the setup wizard: their texts are
// checked, and scripts/screenshots.sh draws them.
#include "UiConfigFixture.h"
#include "ui/Screenshots.h"

#include "EnvGuard.h"
#include "groups/DynAcc.h"
#include "ipdetect/HostNetwork.h"
#include "ui/editor/FormAccount.h"
#include "ui/editor/FormAskAccName.h"
#include "ui/editor/FormHostName.h"
#include "ui/editor/HostListPanel.h"
#include "ui/wizard/FormWizard.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTabWidget>

namespace hostaq::test {
namespace {

class ScreenshotsEditor : public TUiConfigTest {
protected:
    static void Shot(QWidget& w, const QString& name) { SaveScreenshot(&w, name); }
    static void Fill(QWidget& w, const char* name, const QString& text) {
        auto* edit = Find<QLineEdit>(w, name);
        edit->setText(text);
        emit edit->textEdited(text);
    }
    static std::vector<THostRow> SampleRows() {
        return {THostRow{"home.hostaq.example", "hostaq", "good 93.184.216.34", true},
                THostRow{"nas.hostaq.example", "hostaq", "nochg 93.184.216.34", true},
                THostRow{"mail.example.org", "statdns", "", true},
                THostRow{"old.example.net", "custom", "", false}};
    }

    TFixedHostNetwork Network{{{"192.168.1.10", "255.255.255.0"}}, {"192.168.1.1"}};
    THostNetworkGuard NetworkGuard{&Network};
    TEnvGuard NoProxy{"http_proxy", "http://proxy.lan:3128"};
};

TEST_F(ScreenshotsEditor, EditorAndPrompts) {
    StoreGroup("Home", {"home.hostaq.example", "nas.hostaq.example"});
    IniWriteString(Path, "Home", "home.hostaq.example", "good 93.184.216.34");

    SetHostaqEdition(false);
    TFormAccount form(nullptr, "Home");
    form.findChild<THostListPanel*>()->SetRows(SampleRows());
    Shot(form, "editor-provider");
    Find<QTabWidget>(form, "PageControl")->setCurrentIndex(1);
    Shot(form, "editor-options");
    SetHostaqEdition(true);
    TFormAccount edition(nullptr, "Home");
    Find<QTabWidget>(edition, "PageControl")->setCurrentIndex(1);
    Shot(edition, "editor-options-provider-edition");

    TFormHostName host;
    host.SetHost("home.hostaq.example", 0);
    Shot(host, "editor-hostname");
    TFormAskAccName ask;
    Shot(ask, "editor-ask-name");
}

TEST_F(ScreenshotsEditor, WizardSteps) {
    TFormWizard w;
    Shot(w, "wizard-00-welcome");
    w.Next();
    Find<QAbstractButton>(w, "CheckBoxUseProxy")->setChecked(true);
    Shot(w, "wizard-01-connection");
    w.Next();
    Shot(w, "wizard-02-proxy");
    w.Next();
    Shot(w, "wizard-04-public-address");
    Find<QAbstractButton>(w, "ButtonConfigure")->click();
    Shot(w, "wizard-05-private-addresses");
    w.Next();
    Fill(w, "EditAccountName", "Home");
    Shot(w, "wizard-06-group-name");
    w.Next();
    Fill(w, "EditUsername", "joe");
    Fill(w, "EditPassword", "secret");
    Fill(w, "EditConfirm", "secret");
    Shot(w, "wizard-07-login");
    w.Next();
    Shot(w, "wizard-08-hostname-entry");
    Find<QAbstractButton>(w, "RadioButtonManual")->click();
    w.Next();
    w.findChild<THostListPanel*>()->SetRows(SampleRows());
    Shot(w, "wizard-09-hostnames");
    w.Next();
    Shot(w, "wizard-10-automatic-update");
    w.Next();
    Shot(w, "wizard-11-start-options");
    w.Next();
    Shot(w, "wizard-12-finish");

    TFormWizard dial;
    dial.Next();
    Find<QAbstractButton>(dial, "RadioButtonDialUp")->click();
    dial.Next();
    Shot(dial, "wizard-03-dialer");
    TPrompt::QueueAnswer(TPromptButton::Yes);
    dial.reject();
    TPrompt::QueueAnswer(TPromptButton::Yes);
    w.reject();
}

} // namespace
} // namespace hostaq::test
