// The last steps: the hostnames, automatic update and how the program starts.
#include "config/Version.h"
#include "ui/editor/HostListPanel.h"
#include "ui/wizard/WizardSteps.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace hostaq {

TWizardStepHostnames::TWizardStepHostnames(QWidget* parent) : TWizardStep(parent) {
    setObjectName(QStringLiteral("TabSheetHostnames"));
    panel_ = new THostListPanel(false, this);
    ShowsFields({{TWizardField::Hostnames, panel_->AddHostButton()}});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel_, 1);
    layout->addWidget(
        WizardText(QStringLiteral("Only checked hostnames are kept up to date. Right click the list "
                                  "to check or uncheck them all."),
                   this));
}

void TWizardStepHostnames::Store(TWizardValues& v) const {
    v.Hosts = panel_->Rows();
}

TWizardStepAutoUpdate::TWizardStepAutoUpdate(QWidget* parent) : TWizardStep(parent) {
    setObjectName(QStringLiteral("TabSheetAutoUpdate"));
    enable_ = new QCheckBox(QStringLiteral("&Enable automatic update (recommended)"), this);
    enable_->setObjectName(QStringLiteral("CheckBoxAutoUpdate"));
    enable_->setChecked(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        WizardText(QStringLiteral("With automatic update %1 checks your public IP address every few "
                                  "minutes and updates your hostnames as soon as it changes.")
                       .arg(QString::fromLatin1(AppTitle)),
                   this));
    layout->addSpacing(8);
    layout->addWidget(enable_);
    layout->addStretch(1);
}

void TWizardStepAutoUpdate::Store(TWizardValues& v) const {
    v.AutoUpdate = enable_->isChecked();
}

TWizardStepStartOptions::TWizardStepStartOptions(QWidget* parent) : TWizardStep(parent) {
    setObjectName(QStringLiteral("TabSheetStartOptions"));
    startWithSession_ = new QCheckBox(QStringLiteral("&Start with Windows"), this);
    startWithSession_->setObjectName(QStringLiteral("CheckBoxStartWithWindows"));
    startWithSession_->setToolTip(QStringLiteral("Start the program when you log in to your desktop"));
    installService_ = new QCheckBox(QStringLiteral("&Install as service"), this);
    installService_->setObjectName(QStringLiteral("CheckBoxInstallService"));
    installService_->setToolTip(QStringLiteral("Keep the address watched while nobody is logged in"));
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
    layout->addWidget(
        WizardText(QStringLiteral("%1 can start by itself when you log in to your desktop, or run "
                                  "as a system service that keeps your hostnames updated even "
                                  "while nobody is logged in.")
                       .arg(QString::fromLatin1(AppTitle)),
                   this));
    layout->addSpacing(8);
    layout->addWidget(startWithSession_);
    layout->addWidget(installService_);
    layout->addWidget(
        WizardText(QStringLiteral("Installing the service asks for the administrator's password."), this));
    layout->addStretch(1);
}

void TWizardStepStartOptions::Store(TWizardValues& v) const {
    v.StartOption = startWithSession_->isChecked() ? TStartOption::StartWithWindows
                    : installService_->isChecked() ? TStartOption::InstallService
                                                   : TStartOption::None;
}

} // namespace hostaq
