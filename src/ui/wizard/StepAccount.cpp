// The steps about the group: its name, its login and how its hostnames are entered.
#include "config/ConfigPath.h"
#include "config/IniFile.h"
#include "config/ProviderConstants.h"
#include "config/Version.h"
#include "groups/DynAcc.h"
#include "ui/common/MsgText.h"
#include "ui/wizard/WizardMessages.h"
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
    // The first group of a new configuration gets a name to accept or type over.
    const std::string path = ConfigPath();
    if (!AnyGroup(path) && !IniSectionExists(path, "Home") && !SplitNameTaken(path, "Home"))
        name_->setText(QStringLiteral("Home"));
    auto* form = new QFormLayout;
    form->addRow(MsgText(MsgWizGroupName), name_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(WizardText(MsgText(MsgWizGroupNameText, {AppTitle, AppTitle, BuiltInProvider}), this));
    layout->addSpacing(8);
    layout->addLayout(form);
    layout->addStretch(1);
}

void TWizardStepGroupName::Store(TWizardValues& v) const {
    v.GroupName = name_->text().toStdString();
}

QWidget* TWizardStepGroupName::Field(TWizardField field) const {
    return field == TWizardField::GroupName ? name_ : nullptr;
}

TWizardStepLogin::TWizardStepLogin(QWidget* parent) : TWizardStep(parent) {
    setObjectName(QStringLiteral("TabSheetLogin"));
    user_ = new QLineEdit(this);
    user_->setObjectName(QStringLiteral("EditUsername"));
    password_ = WizardPasswordEdit("EditPassword", this);
    confirm_ = WizardPasswordEdit("EditConfirm", this);
    auto* form = new QFormLayout;
    form->addRow(MsgText(MsgWizUserName), user_);
    form->addRow(MsgText(MsgWizPassword), password_);
    form->addRow(MsgText(MsgWizConfirm), confirm_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(WizardText(MsgText(MsgWizLoginText, {BuiltInProvider}), this));
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

QWidget* TWizardStepLogin::Field(TWizardField field) const {
    switch (field) {
    case TWizardField::UserName:
        return user_;
    case TWizardField::Password:
        return password_;
    case TWizardField::Confirm:
        return confirm_;
    default:
        return nullptr;
    }
}

TWizardStepHostnameEntry::TWizardStepHostnameEntry(QWidget* parent) : TWizardStep(parent) {
    setObjectName(QStringLiteral("TabSheetHostnameEntry"));
    download_ = new QRadioButton(MsgText(MsgWizDownloadYes), this);
    download_->setObjectName(QStringLiteral("RadioButtonDownload"));
    manual_ = new QRadioButton(MsgText(MsgWizDownloadNo), this);
    manual_->setObjectName(QStringLiteral("RadioButtonManual"));
    auto* group = new QButtonGroup(this);
    group->addButton(download_);
    group->addButton(manual_);
    download_->setChecked(true);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("LabelDownloadStatus"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(WizardText(MsgText(MsgWizDownloadText, {AppTitle, BuiltInProvider}), this));
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
    status_->setText(running ? MsgText(MsgWizDownloading) : QString());
}

} // namespace hostaq
