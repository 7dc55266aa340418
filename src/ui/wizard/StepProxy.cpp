#include "ui/common/MsgText.h"
#include "ui/wizard/WizardMessages.h"
#include "ui/wizard/WizardSteps.h"

#include <QFormLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace hostaq {

TWizardStepProxy::TWizardStepProxy(const std::string& host, const std::string& port, QWidget* parent)
    : TWizardStep(parent) {
    setObjectName(QStringLiteral("TabSheetProxy"));
    host_ = new QLineEdit(QString::fromStdString(host), this);
    host_->setObjectName(QStringLiteral("EditProxyHost"));
    port_ = new QLineEdit(QString::fromStdString(port.empty() ? std::string("80") : port), this);
    port_->setObjectName(QStringLiteral("EditProxyPort"));
    port_->setValidator(new QIntValidator(1, 65535, port_));
    port_->setMaximumWidth(port_->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 16);
    user_ = new QLineEdit(this);
    user_->setObjectName(QStringLiteral("EditProxyUserName"));
    password_ = WizardPasswordEdit("EditProxyPassword", this);
    confirm_ = WizardPasswordEdit("EditProxyConfirm", this);

    auto* form = new QFormLayout;
    form->addRow(MsgText(MsgWizProxyHost), host_);
    form->addRow(MsgText(MsgWizProxyPort), port_);
    form->addRow(MsgText(MsgWizUserName), user_);
    form->addRow(MsgText(MsgWizPassword), password_);
    form->addRow(MsgText(MsgWizConfirm), confirm_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(WizardText(MsgText(MsgWizProxyText), this));
    layout->addLayout(form);
    layout->addStretch(1);
}

void TWizardStepProxy::Store(TWizardValues& v) const {
    v.ProxyHost = host_->text().toStdString();
    v.ProxyPort = port_->text().toStdString();
    v.ProxyUser = user_->text().toStdString();
    v.ProxyPassword = password_->text().toStdString();
    v.ProxyConfirm = confirm_->text().toStdString();
}

QWidget* TWizardStepProxy::Field(TWizardField field) const {
    switch (field) {
    case TWizardField::ProxyHost:
        return host_;
    case TWizardField::ProxyPort:
        return port_;
    case TWizardField::ProxyConfirm:
        return confirm_;
    default:
        return nullptr;
    }
}

} // namespace hostaq
