#include "net/DialUp.h"
#include "ui/common/MsgText.h"
#include "ui/wizard/WizardMessages.h"
#include "ui/wizard/WizardSteps.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace hostaq {

TWizardStepDialer::TWizardStepDialer(QWidget* parent) : TWizardStep(parent) {
    setObjectName(QStringLiteral("TabSheetDialer"));
    needDial_ = new QCheckBox(MsgText(MsgWizNeedDial), this);
    needDial_->setObjectName(QStringLiteral("CheckBoxNeedDial"));
    needDial_->setChecked(true);
    entry_ = new QComboBox(this);
    entry_->setObjectName(QStringLiteral("ComboBoxDialAccount"));
    entry_->setEditable(true);
    entry_->setInsertPolicy(QComboBox::NoInsert);
    detect_ = new QPushButton(MsgText(MsgWizDetect), this);
    detect_->setObjectName(QStringLiteral("ButtonDetectDialer"));
    detect_->setToolTip(MsgText(MsgWizDetectTip));
    user_ = new QLineEdit(this);
    user_->setObjectName(QStringLiteral("EditDialUserName"));
    password_ = WizardPasswordEdit("EditDialPassword", this);
    confirm_ = WizardPasswordEdit("EditDialConfirm", this);

    auto* entryRow = new QHBoxLayout;
    entryRow->addWidget(entry_, 1);
    entryRow->addWidget(detect_);
    auto* form = new QFormLayout;
    auto* entryLabel = new QLabel(MsgText(MsgWizDialEntry), this);
    entryLabel->setBuddy(entry_);
    form->addRow(entryLabel, entryRow);
    form->addRow(MsgText(MsgWizUserName), user_);
    form->addRow(MsgText(MsgWizPassword), password_);
    form->addRow(MsgText(MsgWizDialConfirm), confirm_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(needDial_);
    layout->addLayout(form);
    layout->addStretch(1);

    connect(detect_, &QPushButton::clicked, this, &TWizardStepDialer::DetectEntries);
    connect(needDial_, &QCheckBox::toggled, this, [this](bool on) {
        for (QWidget* w : std::initializer_list<QWidget*>{entry_, detect_, user_, password_, confirm_})
            w->setEnabled(on);
    });
    DetectEntries();
}

void TWizardStepDialer::DetectEntries() {
    TVemoDialUp dialer;
    const QString typed = entry_->currentText();
    entry_->clear();
    for (const std::string& e : dialer.GetEntries())
        entry_->addItem(QString::fromStdString(e));
    TRasConnectionDetails open;
    if (dialer.GetConnectionInfo(open) && !open.EntryName.empty())
        entry_->setCurrentText(QString::fromStdString(open.EntryName));
    else if (!typed.isEmpty())
        entry_->setCurrentText(typed);
}

void TWizardStepDialer::Store(TWizardValues& v) const {
    v.NeedDial = needDial_->isChecked();
    v.DialAccount = entry_->currentText().toStdString();
    v.DialUser = user_->text().toStdString();
    v.DialPassword = password_->text().toStdString();
    v.DialConfirm = confirm_->text().toStdString();
}

QWidget* TWizardStepDialer::Field(TWizardField field) const {
    switch (field) {
    case TWizardField::DialAccount:
        return entry_;
    case TWizardField::DialUser:
        return user_;
    case TWizardField::DialPassword:
        return password_;
    case TWizardField::DialConfirm:
        return confirm_;
    default:
        return nullptr;
    }
}

} // namespace hostaq
