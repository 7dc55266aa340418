// The steps about the group: its name, its login and how its hostnames are entered.
#include "config/ProviderConstants.h"
#include "config/Version.h"
#include "ui/wizard/WizardSteps.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace hostaq {

TWizardStepGroupName::TWizardStepGroupName(QWidget* parent) : TWizardStep(parent) {
    setObjectName(QStringLiteral("TabSheetGroupName"));
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("EditAccountName"));
    ShowsFields({{TWizardField::GroupName, name_}});
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Group &name:"), name_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        WizardText(QStringLiteral("%1 keeps your hostnames in groups; the hostnames of one group "
                                  "share one login. The name is only used by %1 and is not "
                                  "related to your user name at %2. It can contain spaces.")
                       .arg(QString::fromLatin1(AppTitle), QString::fromLatin1(BuiltInProvider)),
                   this));
    layout->addSpacing(8);
    layout->addLayout(form);
    layout->addStretch(1);
}

void TWizardStepGroupName::Store(TWizardValues& v) const {
    v.GroupName = name_->text().toStdString();
}

TWizardStepLogin::TWizardStepLogin(QWidget* parent) : TWizardStep(parent) {
    setObjectName(QStringLiteral("TabSheetLogin"));
    user_ = new QLineEdit(this);
    user_->setObjectName(QStringLiteral("EditUsername"));
    password_ = WizardPasswordEdit("EditPassword", this);
    confirm_ = WizardPasswordEdit("EditConfirm", this);
    ShowsFields({{TWizardField::UserName, user_},
                 {TWizardField::Password, password_},
                 {TWizardField::Confirm, confirm_}});
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&User name:"), user_);
    form->addRow(QStringLiteral("&Password:"), password_);
    form->addRow(QStringLiteral("&Confirm password:"), confirm_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        WizardText(QStringLiteral("The login of your account at %1, as you use it on its web site.")
                       .arg(QString::fromLatin1(BuiltInProvider)),
                   this));
    layout->addSpacing(8);
    layout->addLayout(form);
    layout->addStretch(1);
    for (QLineEdit* edit : {user_, password_, confirm_})
        connect(edit, &QLineEdit::textEdited, this, &TWizardStepLogin::LoginEdited);
}

void TWizardStepLogin::Store(TWizardValues& v) const {
    v.UserName = user_->text().toStdString();
    v.Password = password_->text().toStdString();
    v.Confirm = confirm_->text().toStdString();
}

TWizardStepHostnameEntry::TWizardStepHostnameEntry(QWidget* parent) : TWizardStep(parent) {
    setObjectName(QStringLiteral("TabSheetHostnameEntry"));
    download_ = new QRadioButton(QStringLiteral("&Yes, do automatic download (recommended)"), this);
    download_->setObjectName(QStringLiteral("RadioButtonDownload"));
    manual_ = new QRadioButton(QStringLiteral("&No, I will enter it manually"), this);
    manual_->setObjectName(QStringLiteral("RadioButtonManual"));
    auto* group = new QButtonGroup(this);
    group->addButton(download_);
    group->addButton(manual_);
    download_->setChecked(true);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("LabelDownloadStatus"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        WizardText(QStringLiteral("%1 can fetch the list of hostnames that belong to your login "
                                  "from %2. Do you want to download it?")
                       .arg(QString::fromLatin1(AppTitle), QString::fromLatin1(BuiltInProvider)),
                   this));
    layout->addSpacing(8);
    layout->addWidget(download_);
    layout->addWidget(manual_);
    layout->addSpacing(8);
    layout->addWidget(status_);
    layout->addStretch(1);
}

void TWizardStepHostnameEntry::Store(TWizardValues& v) const {
    v.AutoDownload = download_->isChecked();
}

void TWizardStepHostnameEntry::SetRunning(bool running) {
    download_->setEnabled(!running);
    manual_->setEnabled(!running);
    status_->setText(running ? QStringLiteral("Downloading your hostnames, please wait...") : QString());
}

} // namespace hostaq
