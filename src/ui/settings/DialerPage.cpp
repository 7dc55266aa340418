#include "ui/settings/DialerPage.h"

#include "ui/settings/SettingsMessages.h"
#include "ui/settings/SettingsUi.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace hostaq {

TSettingsDialerPage::TSettingsDialerPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheetDialer"));
    needDial_ = new QCheckBox(Caption(MsgNeedDial), this);
    needDial_->setObjectName(QStringLiteral("CheckBoxNeedDial"));
    delay_ = new QSpinBox(this);
    delay_->setObjectName(QStringLiteral("SpinDialDelay"));
    delay_->setRange(0, 3599);
    account_ = new QComboBox(this);
    account_->setObjectName(QStringLiteral("ComboDialAccount"));
    account_->setMinimumContentsLength(24);
    detect_ = new QPushButton(Caption(MsgDetect), this);
    detect_->setObjectName(QStringLiteral("ButtonDetectEntries"));
    user_ = new QLineEdit(this);
    user_->setObjectName(QStringLiteral("EditDialUserName"));
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("EditDialPassword"));
    password_->setEchoMode(QLineEdit::Password);
    confirm_ = new QLineEdit(this);
    confirm_->setObjectName(QStringLiteral("EditDialConfirm"));
    confirm_->setEchoMode(QLineEdit::Password);

    auto* entryRow = new QHBoxLayout;
    entryRow->addWidget(account_, 1);
    entryRow->addWidget(detect_);
    auto* form = new QFormLayout;
    form->addRow(Caption(MsgDialDelay), delay_);
    form->addRow(Caption(MsgDialEntry), entryRow);
    form->addRow(Caption(MsgUserName), user_);
    form->addRow(Caption(MsgPassword), password_);
    form->addRow(Caption(MsgConfirmPassword), confirm_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(needDial_);
    layout->addLayout(form);
    layout->addStretch(1);

    connect(needDial_, &QCheckBox::toggled, this, &TSettingsDialerPage::UpdateEnabling);
    connect(detect_, &QPushButton::clicked, this, &TSettingsDialerPage::DetectEntries);
    UpdateEnabling();
}

void TSettingsDialerPage::DetectEntries() {
    const QString current = account_->currentText();
    account_->clear();
    if (const auto entries = DialUpEntries()) {
        for (const std::string& e : *entries)
            account_->addItem(QText(e));
    }
    const int keep = account_->findText(current);
    account_->setCurrentIndex(keep >= 0 ? keep : (account_->count() > 0 ? 0 : -1));
}

void TSettingsDialerPage::Load(const TDialerValues& v) {
    needDial_->setChecked(v.NeedDial);
    delay_->setValue(v.DialDelay);
    if (!v.Account.empty()) {
        int index = account_->findText(QText(v.Account));
        // A stored entry the phone book does not list (any more) is still shown.
        if (index < 0) {
            account_->addItem(QText(v.Account));
            index = account_->count() - 1;
        }
        account_->setCurrentIndex(index);
    }
    user_->setText(QText(v.UserName));
    password_->setText(QText(v.Password));
    confirm_->setText(QText(v.Confirm));
    UpdateEnabling();
}

void TSettingsDialerPage::Store(TDialerValues& v) const {
    v.NeedDial = needDial_->isChecked();
    v.DialDelay = delay_->value();
    v.Account = StdText(account_->currentText());
    v.UserName = StdText(user_->text().trimmed());
    v.Password = StdText(password_->text());
    v.Confirm = StdText(confirm_->text());
}

void TSettingsDialerPage::SetDialUp(bool dialUp) {
    dialUp_ = dialUp;
    UpdateEnabling();
}

void TSettingsDialerPage::UpdateEnabling() {
    const TSettingsEnabling e = SettingsEnabling(dialUp_, false, needDial_->isChecked(), true);
    needDial_->setEnabled(e.NeedDialBox);
    for (QWidget* w : std::initializer_list<QWidget*>{delay_, account_, detect_, user_, password_, confirm_})
        w->setEnabled(e.DialerFields);
}

QWidget* TSettingsDialerPage::Field(TSettingsProblem::TField field) const {
    switch (field) {
    case TSettingsProblem::DialAccount:
        return account_;
    case TSettingsProblem::DialUserName:
        return user_;
    case TSettingsProblem::DialPassword:
        return password_;
    case TSettingsProblem::DialConfirm:
        return confirm_;
    default:
        return nullptr;
    }
}

void TSettingsDialerPage::ClearConfirm() {
    confirm_->clear();
}

} // namespace hostaq
