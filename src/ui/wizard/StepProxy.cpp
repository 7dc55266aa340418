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
    port_->setValidator(new QIntValidator(0, 65535, port_));
    port_->setMaximumWidth(port_->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 16);
    user_ = new QLineEdit(this);
    user_->setObjectName(QStringLiteral("EditProxyUserName"));
    password_ = WizardPasswordEdit("EditProxyPassword", this);
    confirm_ = WizardPasswordEdit("EditProxyConfirm", this);
    ShowsFields({{TWizardField::ProxyHost, host_},
                 {TWizardField::ProxyPort, port_},
                 {TWizardField::ProxyConfirm, confirm_}});

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Proxy &host:"), host_);
    form->addRow(QStringLiteral("P&ort:"), port_);
    form->addRow(QStringLiteral("&User name:"), user_);
    form->addRow(QStringLiteral("&Password:"), password_);
    form->addRow(QStringLiteral("&Confirm password:"), confirm_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        WizardText(QStringLiteral("Leave the user name and password empty when the proxy does not "
                                  "ask for them."),
                   this));
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

} // namespace hostaq
