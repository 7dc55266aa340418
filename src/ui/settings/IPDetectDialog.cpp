#include "ui/settings/IPDetectDialog.h"

#include "config/ProviderConstants.h"
#include "ipdetect/AddressList.h"
#include "ipdetect/CheckSettings.h"
#include "ui/common/IPAddressDialog.h"
#include "ui/common/ModalDialog.h"
#include "ui/common/Prompt.h"
#include "ui/settings/SettingsLogic.h"
#include "ui/settings/SettingsMessages.h"
#include "ui/settings/SettingsUi.h"
#include "ui/settings/WebCheck.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace hostaq {

namespace {
constexpr const char* PageHistory = "IPServerList";
}

TFormIPDetect::TFormIPDetect(QWidget* parent, const TIPDetectValues& values, const TCheckSettings& check)
    : QDialog(parent), check_(check), webCheck_(new TWebCheck(this)) {
    setObjectName(QStringLiteral("TFormIPDetect"));
    setWindowTitle(Caption(MsgIPDetectTitle));

    website_ = new QRadioButton(Caption(MsgDetectFromWebsite), this);
    website_->setObjectName(QStringLiteral("RadioWebsite"));
    manual_ = new QRadioButton(Caption(MsgSpecifyManually), this);
    manual_->setObjectName(QStringLiteral("RadioManual"));
    // The two choices sit in separate boxes, so they are grouped explicitly.
    auto* choice = new QButtonGroup(this);
    choice->addButton(website_);
    choice->addButton(manual_);

    page_ = new QComboBox(this);
    page_->setObjectName(QStringLiteral("ComboServerURL"));
    page_->setEditable(true);
    page_->setMinimumContentsLength(36);
    std::vector<std::string> pages = LoadHistory(PageHistory);
    pages = PushHistory(pages, DefaultCheckIpPage);
    for (const std::string& p : pages)
        page_->addItem(QText(p));
    page_->setEditText(QText(values.Page.empty() ? std::string(DefaultCheckIpPage) : values.Page));

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("ListLocalIP"));
    for (const std::string& line : values.LocalList)
        list_->addItem(QText(line));
    add_ = new QPushButton(Caption(MsgAddEntry), this);
    add_->setObjectName(QStringLiteral("ButtonAddIP"));
    remove_ = new QPushButton(Caption(MsgRemove), this);
    remove_->setObjectName(QStringLiteral("ButtonRemoveIP"));
    test_ = new QPushButton(Caption(MsgTest), this);
    test_->setObjectName(QStringLiteral("ButtonTest"));
    result_ = new QLabel(this);
    result_->setObjectName(QStringLiteral("LabelTestResult"));
    result_->setWordWrap(true);

    manualIP_ =
        new QLineEdit(QText(values.ManualIP.empty() ? std::string("0.0.0.0") : values.ManualIP), this);
    manualIP_->setObjectName(QStringLiteral("EditManualIP"));

    auto* webBox = new QGroupBox(this);
    auto* web = new QGridLayout(webBox);
    web->addWidget(website_, 0, 0, 1, 3);
    web->addWidget(new QLabel(Caption(MsgWebsite), this), 1, 0);
    web->addWidget(page_, 1, 1, 1, 2);
    web->addWidget(new QLabel(Caption(MsgLocalAddresses), this), 2, 0, 1, 3);
    web->addWidget(list_, 3, 0, 4, 2);
    web->addWidget(add_, 3, 2);
    web->addWidget(remove_, 4, 2);
    web->addWidget(test_, 5, 2);
    web->setRowStretch(6, 1);
    web->addWidget(result_, 7, 0, 1, 3);
    web->setColumnStretch(1, 1);

    auto* manualBox = new QGroupBox(this);
    auto* man = new QGridLayout(manualBox);
    man->addWidget(manual_, 0, 0, 1, 2);
    man->addWidget(new QLabel(Caption(MsgIPAddressLabel), this), 1, 0);
    man->addWidget(manualIP_, 1, 1);
    man->setColumnStretch(1, 1);

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(Caption(MsgOK), QDialogButtonBox::AcceptRole);
    ok_->setObjectName(QStringLiteral("ButtonOK"));
    cancel_ = buttons->addButton(Caption(MsgCancel), QDialogButtonBox::RejectRole);
    cancel_->setObjectName(QStringLiteral("ButtonCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TFormIPDetect::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TFormIPDetect::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(webBox);
    layout->addWidget(manualBox);
    layout->addWidget(buttons);

    (values.Manual ? manual_ : website_)->setChecked(true);
    connect(website_, &QRadioButton::toggled, this, &TFormIPDetect::UpdateEnabling);
    connect(add_, &QPushButton::clicked, this, &TFormIPDetect::AddEntry);
    connect(remove_, &QPushButton::clicked, this, &TFormIPDetect::RemoveEntry);
    connect(test_, &QPushButton::clicked, this, &TFormIPDetect::Test);
    connect(webCheck_, &TWebCheck::Finished, this, &TFormIPDetect::TestFinished);
    UpdateEnabling();
}

bool TFormIPDetect::Testing() const {
    return webCheck_->Running();
}

void TFormIPDetect::UpdateEnabling() {
    const bool testing = Testing();
    const bool web = website_->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{page_, list_, add_, remove_, test_})
        w->setEnabled(web && !testing);
    manualIP_->setEnabled(!web && !testing);
    website_->setEnabled(!testing);
    manual_->setEnabled(!testing);
    ok_->setEnabled(!testing);
}

TIPDetectValues TFormIPDetect::Values() const {
    TIPDetectValues v;
    v.Manual = manual_->isChecked();
    v.ManualIP = NormaliseAddress(StdText(manualIP_->text())).value_or(StdText(manualIP_->text()));
    v.Page = StdText(page_->currentText().trimmed());
    for (int i = 0; i < list_->count(); ++i)
        v.LocalList.push_back(StdText(list_->item(i)->text()));
    return v;
}

void TFormIPDetect::AddEntry() {
    TIPAddressDialog dialog(this);
    std::string from, to;
    if (dialog.Execute(from, to) != 0)
        return;
    std::vector<std::string> list = Values().LocalList;
    const std::string entry = LocalListEntry(from, to);
    if (AddLocalListEntry(list, entry))
        list_->addItem(QText(entry));
}

void TFormIPDetect::RemoveEntry() {
    for (int i = 0; i < list_->count(); ++i) {
        if (list_->item(i)->isSelected()) {
            delete list_->takeItem(i);
            return;
        }
    }
}

void TFormIPDetect::Test() {
    TCheckSettings settings = check_;
    const TIPDetectValues v = Values();
    settings.ServerURL = v.Page;
    settings.LocalList = JoinLines(v.LocalList);
    if (!webCheck_->Start(settings))
        return;
    result_->setText(Caption(MsgPleaseWait));
    UpdateEnabling();
}

void TFormIPDetect::TestFinished(const QString& address) {
    result_->setText(QText(DetectResultText(StdText(address))));
    UpdateEnabling();
}

void TFormIPDetect::accept() {
    const TIPDetectValues v = Values();
    const TIPDetectProblem problem = CheckIPDetect(v.Manual, v.ManualIP, v.Page, v.LocalList.empty());
    if (!problem.Ok()) {
        QWidget* field = problem.Field == TIPDetectProblem::ManualIP ? static_cast<QWidget*>(manualIP_)
                         : problem.Field == TIPDetectProblem::Page   ? static_cast<QWidget*>(page_)
                                                                     : static_cast<QWidget*>(add_);
        ShowFieldProblem(this, field, QText(problem.Message), false);
        return;
    }
    if (!v.Manual)
        SaveHistory(PageHistory, PushHistory(LoadHistory(PageHistory), v.Page));
    QDialog::accept();
}

void TFormIPDetect::done(int result) {
    if (Testing()) {
        TPrompt::Error(this, QText(FormatMsg(MsgCheckingAddressBusy, {Msg(MsgWizardTitle), BoxLineBreak})));
        return;
    }
    QDialog::done(result);
}

bool TFormIPDetect::Execute(TIPDetectValues& values) {
    if (ExecModal(*this) != QDialog::Accepted)
        return false;
    values = Values();
    return true;
}

} // namespace hostaq
