#include "ui/settings/ConnectionPage.h"

#include "ui/settings/SettingsMessages.h"
#include "ui/settings/SettingsUi.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace hostaq {

namespace {
QLineEdit* NewEdit(QWidget* parent, const char* name, bool password = false) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    if (password)
        edit->setEchoMode(QLineEdit::Password);
    return edit;
}
} // namespace

TSettingsConnectionPage::TSettingsConnectionPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheetConnection"));
    dialUp_ = new QRadioButton(Caption(MsgDialUp), this);
    dialUp_->setObjectName(QStringLiteral("RadioDialUp"));
    lan_ = new QRadioButton(Caption(MsgLan), this);
    lan_->setObjectName(QStringLiteral("RadioLAN"));
    serverPort_ = new QComboBox(this);
    serverPort_->setObjectName(QStringLiteral("ComboServerPort"));
    serverPort_->addItems({QStringLiteral("80"), QStringLiteral("8245")});
    useProxy_ = new QCheckBox(Caption(MsgUseProxy), this);
    useProxy_->setObjectName(QStringLiteral("CheckBoxUseProxy"));
    host_ = NewEdit(this, "EditProxyHost");
    port_ = NewEdit(this, "EditProxyPort");
    port_->setValidator(new QIntValidator(0, 65535, port_));
    port_->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 16);
    user_ = NewEdit(this, "EditProxyUserName");
    password_ = NewEdit(this, "EditProxyPassword", true);
    confirm_ = NewEdit(this, "EditProxyConfirm", true);

    auto* modeBox = new QGroupBox(Caption(MsgConnectionTypeBox), this);
    auto* mode = new QVBoxLayout(modeBox);
    mode->addWidget(dialUp_);
    mode->addWidget(lan_);

    auto* portRow = new QHBoxLayout;
    portRow->addWidget(new QLabel(Caption(MsgServerPort), this));
    portRow->addWidget(serverPort_);
    portRow->addStretch(1);

    auto* proxyBox = new QGroupBox(this);
    auto* proxy = new QFormLayout(proxyBox);
    proxy->addRow(useProxy_);
    auto* hostRow = new QHBoxLayout;
    hostRow->addWidget(host_, 1);
    hostRow->addWidget(new QLabel(Caption(MsgPort), this));
    hostRow->addWidget(port_);
    proxy->addRow(Caption(MsgHost), hostRow);
    proxy->addRow(Caption(MsgUserName), user_);
    proxy->addRow(Caption(MsgPassword), password_);
    proxy->addRow(Caption(MsgConfirmPassword), confirm_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(modeBox);
    layout->addLayout(portRow);
    layout->addWidget(proxyBox);
    layout->addStretch(1);

    connect(dialUp_, &QRadioButton::toggled, this, [this] {
        UpdateEnabling();
        emit ModeChanged(DialUp());
    });
    connect(useProxy_, &QCheckBox::toggled, this, &TSettingsConnectionPage::UpdateEnabling);
    lan_->setChecked(true);
    UpdateEnabling();
}

void TSettingsConnectionPage::Load(const TConnectionValues& v) {
    (v.DialUp ? dialUp_ : lan_)->setChecked(true);
    serverPort_->setCurrentIndex(v.ServerPort);
    useProxy_->setChecked(v.UseProxy);
    host_->setText(QText(v.ProxyHost));
    port_->setText(QText(v.ProxyPort));
    user_->setText(QText(v.ProxyUser));
    password_->setText(QText(v.ProxyPassword));
    confirm_->setText(QText(v.ProxyConfirm));
    UpdateEnabling();
}

void TSettingsConnectionPage::Store(TConnectionValues& v) const {
    v.DialUp = DialUp();
    v.ServerPort = std::max(0, serverPort_->currentIndex());
    v.UseProxy = useProxy_->isChecked();
    v.ProxyHost = StdText(host_->text().trimmed());
    v.ProxyPort = StdText(port_->text().trimmed());
    v.ProxyUser = StdText(user_->text().trimmed());
    v.ProxyPassword = StdText(password_->text());
    v.ProxyConfirm = StdText(confirm_->text());
}

TConnectionValues TSettingsConnectionPage::Values() const {
    TConnectionValues v;
    Store(v);
    return v;
}

bool TSettingsConnectionPage::DialUp() const {
    return dialUp_->isChecked();
}

void TSettingsConnectionPage::UpdateEnabling() {
    const TSettingsEnabling e = SettingsEnabling(DialUp(), useProxy_->isChecked(), false, true);
    useProxy_->setEnabled(e.UseProxyBox);
    for (QWidget* w : std::initializer_list<QWidget*>{host_, port_, user_, password_, confirm_})
        w->setEnabled(e.ProxyFields);
}

QWidget* TSettingsConnectionPage::Field(TSettingsProblem::TField field) const {
    switch (field) {
    case TSettingsProblem::ProxyHost:
        return host_;
    case TSettingsProblem::ProxyPort:
        return port_;
    case TSettingsProblem::ProxyConfirm:
        return confirm_;
    default:
        return nullptr;
    }
}

void TSettingsConnectionPage::ClearProxyConfirm() {
    confirm_->clear();
}

} // namespace hostaq
