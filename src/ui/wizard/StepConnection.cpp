#include "ui/common/MsgText.h"
#include "ui/wizard/WizardMessages.h"
#include "ui/wizard/WizardSteps.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace hostaq {

TWizardStepConnection::TWizardStepConnection(bool localNetwork, bool useProxy, QWidget* parent)
    : TWizardStep(parent) {
    setObjectName(QStringLiteral("TabSheetConnection"));
    dialUp_ = new QRadioButton(MsgText(MsgWizDialUp), this);
    dialUp_->setObjectName(QStringLiteral("RadioButtonDialUp"));
    lan_ = new QRadioButton(MsgText(MsgWizLan), this);
    lan_->setObjectName(QStringLiteral("RadioButtonLAN"));
    useProxy_ = new QCheckBox(MsgText(MsgWizUseProxy), this);
    useProxy_->setObjectName(QStringLiteral("CheckBoxUseProxy"));
    auto* group = new QButtonGroup(this);
    group->addButton(dialUp_);
    group->addButton(lan_);
    (localNetwork ? lan_ : dialUp_)->setChecked(true);
    useProxy_->setChecked(useProxy);
    useProxy_->setEnabled(localNetwork);
    connect(lan_, &QRadioButton::toggled, useProxy_, &QCheckBox::setEnabled);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(WizardText(MsgText(MsgWizConnectionText), this));
    layout->addSpacing(8);
    layout->addWidget(dialUp_);
    layout->addWidget(lan_);
    auto* proxyRow = new QVBoxLayout;
    proxyRow->setContentsMargins(24, 0, 0, 0);
    proxyRow->addWidget(useProxy_);
    layout->addLayout(proxyRow);
    layout->addStretch(1);
}

void TWizardStepConnection::Store(TWizardValues& v) const {
    v.DialUp = dialUp_->isChecked();
    v.UseProxy = useProxy_->isChecked();
}

} // namespace hostaq
