// The last steps: the hostnames, automatic update and how the program starts.
#include "config/Version.h"
#include "ui/common/MsgText.h"
#include "ui/editor/HostListPanel.h"
#include "ui/wizard/WizardMessages.h"
#include "ui/wizard/WizardSteps.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace hostaq {

TWizardStepHostnames::TWizardStepHostnames(QWidget* parent) : TWizardStep(parent) {
    setObjectName(QStringLiteral("TabSheetHostnames"));
    panel_ = new THostListPanel(false, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel_, 1);
    layout->addWidget(WizardText(MsgText(MsgWizHostnamesText), this));
}

void TWizardStepHostnames::Store(TWizardValues& v) const {
    v.Hosts = panel_->Rows();
}

QWidget* TWizardStepHostnames::Field(TWizardField field) const {
    return field == TWizardField::Hostnames ? panel_->AddHostButton() : nullptr;
}

TWizardStepAutoUpdate::TWizardStepAutoUpdate(QWidget* parent) : TWizardStep(parent) {
    setObjectName(QStringLiteral("TabSheetAutoUpdate"));
    enable_ = new QCheckBox(MsgText(MsgWizAutoUpdate), this);
    enable_->setObjectName(QStringLiteral("CheckBoxAutoUpdate"));
    enable_->setChecked(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(WizardText(MsgText(MsgWizAutoUpdateText, {AppTitle}), this));
    layout->addSpacing(8);
    layout->addWidget(enable_);
    layout->addStretch(1);
}

void TWizardStepAutoUpdate::Store(TWizardValues& v) const {
    v.AutoUpdate = enable_->isChecked();
}

TWizardStepStartOptions::TWizardStepStartOptions(QWidget* parent) : TWizardStep(parent) {
    setObjectName(QStringLiteral("TabSheetStartOptions"));
    startWithSession_ = new QCheckBox(MsgText(MsgWizStartWhenLogIn), this);
    startWithSession_->setObjectName(QStringLiteral("CheckBoxStartWithWindows"));
    startWithSession_->setToolTip(MsgText(MsgWizStartTip));
    installService_ = new QCheckBox(MsgText(MsgWizInstallService), this);
    installService_->setObjectName(QStringLiteral("CheckBoxInstallService"));
    installService_->setToolTip(MsgText(MsgWizServiceTip));
    // At most one of the two; none leaves the start as it is.
    connect(startWithSession_, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            installService_->setChecked(false);
    });
    connect(installService_, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            startWithSession_->setChecked(false);
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(WizardText(MsgText(MsgWizStartText, {AppTitle}), this));
    layout->addSpacing(8);
    layout->addWidget(startWithSession_);
    layout->addWidget(installService_);
    layout->addWidget(WizardText(MsgText(MsgWizServiceText), this));
    layout->addStretch(1);
}

void TWizardStepStartOptions::Store(TWizardValues& v) const {
    v.StartOption = startWithSession_->isChecked() ? TStartOption::StartWithWindows
                    : installService_->isChecked() ? TStartOption::InstallService
                                                   : TStartOption::None;
}

} // namespace hostaq
