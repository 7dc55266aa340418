#include "ui/settings/IPAddressPage.h"

#include "config/ConfigKeys.h"
#include "config/ConfigPath.h"
#include "config/IniFile.h"
#include "config/ProviderConstants.h"
#include "config/Version.h"
#include "ipdetect/AddressList.h"
#include "ipdetect/CheckSettings.h"
#include "ui/common/Desktop.h"
#include "ui/settings/IPDetectDialog.h"
#include "ui/settings/SettingsMessages.h"
#include "ui/settings/SettingsUi.h"
#include "ui/settings/WebCheck.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>

namespace hostaq {

TSettingsIPAddressPage::TSettingsIPAddressPage(QWidget* parent)
    : QWidget(parent), check_(new TWebCheck(this)) {
    setObjectName(QStringLiteral("TabSheetIPAddress"));
    default_ = new QRadioButton(Caption(MsgDefIPSetting), this);
    default_->setObjectName(QStringLiteral("RadioDefIPSetting"));
    manual_ = new QRadioButton(Caption(MsgManualIPSetting), this);
    manual_->setObjectName(QStringLiteral("RadioManualIPSetting"));
    configure_ = new QPushButton(Caption(MsgConfigure), this);
    configure_->setObjectName(QStringLiteral("ButtonConfigure"));
    detect_ = new QPushButton(Caption(MsgDetectMyIP), this);
    detect_->setObjectName(QStringLiteral("ButtonDetectIP"));
    result_ = new QLabel(this);
    result_->setObjectName(QStringLiteral("LabelDetectResult"));
    result_->setWordWrap(true);
    auto* compare = new QPushButton(Caption(MsgCompare), this);
    compare->setObjectName(QStringLiteral("ButtonCompare"));
    auto* link = new QLabel(
        QStringLiteral("<a href=\"%1\">%1</a>").arg(QString::fromLatin1(DefaultCheckIpPage)), this);
    link->setObjectName(QStringLiteral("LabelCheckIPLink"));
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);

    auto* choice = new QGroupBox(this);
    auto* choiceLayout = new QVBoxLayout(choice);
    choiceLayout->addWidget(default_);
    auto* manualRow = new QHBoxLayout;
    manualRow->addWidget(manual_);
    manualRow->addStretch(1);
    manualRow->addWidget(configure_);
    choiceLayout->addLayout(manualRow);

    auto* detectBox = new QGroupBox(this);
    auto* detectLayout = new QVBoxLayout(detectBox);
    auto* detectRow = new QHBoxLayout;
    detectRow->addWidget(detect_);
    detectRow->addWidget(result_, 1);
    detectLayout->addLayout(detectRow);
    auto* compareRow = new QHBoxLayout;
    compareRow->addWidget(compare);
    compareRow->addWidget(link, 1);
    detectLayout->addLayout(compareRow);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(choice);
    layout->addWidget(detectBox);
    layout->addWidget(BuildIPv6Box());
    layout->addStretch(1);

    default_->setChecked(true);
    connect(manual_, &QRadioButton::toggled, this, &TSettingsIPAddressPage::UpdateEnabling);
    connect(configure_, &QPushButton::clicked, this, &TSettingsIPAddressPage::Configure);
    connect(detect_, &QPushButton::clicked, this, &TSettingsIPAddressPage::DetectMyIP);
    connect(compare, &QPushButton::clicked, this, &TSettingsIPAddressPage::Compare);
    connect(link, &QLabel::linkActivated, this, &TSettingsIPAddressPage::Compare);
    connect(check_, &TWebCheck::Finished, this, &TSettingsIPAddressPage::DetectFinished);
    UpdateEnabling();
}

QGroupBox* TSettingsIPAddressPage::BuildIPv6Box() {
    auto* box = new QGroupBox(Caption(MsgIPv6Box), this);
    box->setObjectName(QStringLiteral("GroupBoxIPv6"));
    ipv6Interface_ = new QRadioButton(Caption(MsgIPv6Interface), box);
    ipv6Interface_->setObjectName(QStringLiteral("RadioIPv6Interface"));
    ipv6Page_ = new QRadioButton(Caption(MsgIPv6Page), box);
    ipv6Page_->setObjectName(QStringLiteral("RadioIPv6Page"));
    ipv6Manual_ = new QRadioButton(Caption(MsgIPv6Manual), box);
    ipv6Manual_->setObjectName(QStringLiteral("RadioIPv6Manual"));
    ipv6InterfaceName_ = new QLineEdit(box);
    ipv6InterfaceName_->setObjectName(QStringLiteral("EditIPv6Interface"));
    ipv6InterfaceName_->setPlaceholderText(Caption(MsgIPv6AnyInterface));
    ipv6Temporary_ = new QCheckBox(Caption(MsgIPv6Temporary), box);
    ipv6Temporary_->setObjectName(QStringLiteral("CheckBoxIPv6Temporary"));
    ipv6CheckPage_ = new QLineEdit(box);
    ipv6CheckPage_->setObjectName(QStringLiteral("EditIPv6CheckPage"));
    ipv6CheckPage_->setPlaceholderText(QStringLiteral("https://"));
    ipv6ManualIP_ = new QLineEdit(box);
    ipv6ManualIP_->setObjectName(QStringLiteral("EditIPv6ManualIP"));
    ipv6ManualIP_->setPlaceholderText(QStringLiteral("2001:db8::10"));
    auto* grid = new QGridLayout(box);
    grid->addWidget(ipv6Interface_, 0, 0);
    grid->addWidget(ipv6InterfaceName_, 0, 1);
    grid->addWidget(ipv6Temporary_, 1, 1);
    grid->addWidget(ipv6Page_, 2, 0);
    grid->addWidget(ipv6CheckPage_, 2, 1);
    grid->addWidget(ipv6Manual_, 3, 0);
    grid->addWidget(ipv6ManualIP_, 3, 1);
    grid->setColumnStretch(1, 1);
    ipv6Interface_->setChecked(true);
    for (QRadioButton* radio : {ipv6Interface_, ipv6Page_, ipv6Manual_})
        connect(radio, &QRadioButton::toggled, this, &TSettingsIPAddressPage::UpdateEnabling);
    return box;
}

int TSettingsIPAddressPage::IPv6Source() const {
    if (ipv6Page_->isChecked())
        return TIPv6Values::SourcePage;
    return ipv6Manual_->isChecked() ? TIPv6Values::SourceManual : TIPv6Values::SourceInterface;
}

QWidget* TSettingsIPAddressPage::IPv6Field() const {
    return IPv6Source() == TIPv6Values::SourcePage ? ipv6CheckPage_ : ipv6ManualIP_;
}

void TSettingsIPAddressPage::Load(const TAddressValues& values) {
    working_ = values;
    (values.DefaultSetting ? default_ : manual_)->setChecked(true);
    const TIPv6Values& six = values.IPv6;
    (six.Source == TIPv6Values::SourcePage     ? ipv6Page_
     : six.Source == TIPv6Values::SourceManual ? ipv6Manual_
                                               : ipv6Interface_)
        ->setChecked(true);
    ipv6InterfaceName_->setText(QText(six.Interface));
    ipv6Temporary_->setChecked(six.AllowTemporary);
    ipv6CheckPage_->setText(QText(six.CheckPage));
    ipv6ManualIP_->setText(QText(six.ManualIP));
    UpdateEnabling();
}

void TSettingsIPAddressPage::Store(TAddressValues& values) const {
    values = working_;
    values.DefaultSetting = default_->isChecked();
    TIPv6Values& six = values.IPv6;
    six.Source = IPv6Source();
    six.Interface = StdText(ipv6InterfaceName_->text());
    six.AllowTemporary = ipv6Temporary_->isChecked();
    six.CheckPage = StdText(ipv6CheckPage_->text());
    six.ManualIP = StdText(ipv6ManualIP_->text());
}

bool TSettingsIPAddressPage::Detecting() const {
    return check_->Running();
}

void TSettingsIPAddressPage::UpdateEnabling() {
    configure_->setEnabled(SettingsEnabling(false, false, false, default_->isChecked()).Configure);
    const TIPv6Enabling six = IPv6Enabling(IPv6Source());
    ipv6InterfaceName_->setEnabled(six.Interface);
    ipv6Temporary_->setEnabled(six.AllowTemporary);
    ipv6CheckPage_->setEnabled(six.CheckPage);
    ipv6ManualIP_->setEnabled(six.ManualIP);
}

TCheckSettings TSettingsIPAddressPage::CheckSettingsNow() const {
    TCheckSettings s;
    s.UserAgent = BuildUserAgent();
    s.ServerURL = working_.Page;
    s.LocalList = working_.LocalList;
    s.VerifyCertificate = ReadBool(Keys::VerifyCertificate);
    if (ConnectionSource) {
        const TConnectionValues connection = ConnectionSource();
        // "Dial-up" never goes through the proxy.
        if (!connection.DialUp)
            ApplyConnectionProxy(s, connection);
    }
    return s;
}

void TSettingsIPAddressPage::Configure() {
    TIPDetectValues values;
    values.Manual = working_.Manual;
    values.ManualIP = working_.ManualIP;
    values.Page = working_.CustomPage;
    values.LocalList = SplitLines(working_.LocalList);
    TFormIPDetect dialog(this, values, CheckSettingsNow());
    if (!dialog.Execute(values))
        return;
    // The page is taken over at once; the rest waits for OK.
    IniUpdate(ConfigPath(), [&](TIniDocument& doc) {
        doc.WriteString(Keys::CustomizedIPServer.Section, Keys::CustomizedIPServer.Key, values.Page);
        doc.WriteString(Keys::ServerIP.Section, Keys::ServerIP.Key, values.Page);
        return true;
    });
    working_.CustomPage = values.Page;
    working_.Page = values.Page;
    working_.Manual = values.Manual;
    working_.ManualIP = values.ManualIP;
    working_.LocalList = JoinLines(values.LocalList);
}

void TSettingsIPAddressPage::DetectMyIP() {
    if (!check_->Start(CheckSettingsNow()))
        return;
    result_->setText(Caption(MsgPleaseWait));
    emit DetectBusy(true);
}

void TSettingsIPAddressPage::DetectFinished(const QString& address) {
    result_->setText(QText(DetectResultText(StdText(address))));
    emit DetectBusy(false);
}

void TSettingsIPAddressPage::Compare() {
    TDesktop::OpenUrl(this, QUrl(QString::fromLatin1(DefaultCheckIpPage)));
}

} // namespace hostaq
