#include "ui/settings/SettingsDialog.h"

#include "config/Messages.h"
#include "config/Version.h"
#include "ui/common/Prompt.h"
#include "ui/settings/ConnectionPage.h"
#include "ui/settings/DialerPage.h"
#include "ui/settings/GroupsPage.h"
#include "ui/settings/IPAddressPage.h"
#include "ui/settings/IconsPage.h"
#include "ui/settings/LoggingPage.h"
#include "ui/settings/MiscPage.h"
#include "ui/settings/SettingsMessages.h"
#include "ui/settings/SettingsUi.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

namespace hostaq {

THostaqFormSetting::THostaqFormSetting(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("THostaqFormSetting"));
    // Opened from the tray, the dialog names the program it belongs to.
    setWindowTitle(QString::fromLatin1(AppTitle) + QStringLiteral(" - ") + Caption(MsgSettingsTitle));
    setFont(QApplication::font("QMessageBox"));

    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl"));
    groups_ = new TSettingsGroupsPage(pages_);
    connection_ = new TSettingsConnectionPage(pages_);
    dialer_ = new TSettingsDialerPage(pages_);
    address_ = new TSettingsIPAddressPage(pages_);
    logging_ = new TSettingsLoggingPage(pages_);
    icons_ = new TSettingsIconsPage(pages_);
    misc_ = new TSettingsMiscPage(pages_);
    pages_->addTab(groups_, Caption(MsgPageGroups));
    pages_->addTab(connection_, Caption(MsgPageConnection));
    pages_->addTab(dialer_, Caption(MsgPageDialer));
    pages_->addTab(address_, Caption(MsgPageIPAddress));
    pages_->addTab(logging_, Caption(MsgPageLogging));
    pages_->addTab(icons_, Caption(MsgPageIcons));
    pages_->addTab(misc_, Caption(MsgPageMisc));

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(Caption(MsgOK), QDialogButtonBox::AcceptRole);
    ok_->setObjectName(QStringLiteral("ButtonOK"));
    cancel_ = buttons->addButton(Caption(MsgCancel), QDialogButtonBox::RejectRole);
    cancel_->setObjectName(QStringLiteral("ButtonCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &THostaqFormSetting::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &THostaqFormSetting::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_, 1);
    layout->addWidget(buttons);

    connect(connection_, &TSettingsConnectionPage::ModeChanged, dialer_, &TSettingsDialerPage::SetDialUp);
    connect(address_, &TSettingsIPAddressPage::DetectBusy, this, &THostaqFormSetting::SetBusy);
    address_->ConnectionSource = [this] { return connection_->Values(); };

    dialer_->DetectEntries();
    LoadAll();
    resize(sizeHint().expandedTo(QSize(640, 440)));
}

void THostaqFormSetting::LoadAll() {
    const TSettingsValues v = LoadSettingsValues();
    groups_->Load();
    connection_->Load(v.Connection);
    dialer_->Load(v.Dialer);
    dialer_->SetDialUp(v.Connection.DialUp);
    address_->Load(v.Address);
    logging_->Load(v.Logging);
    icons_->Load(v.Icons);
    misc_->Load(v.Misc);

    state_ = LoadSettingsFormState();
    groups_->SetColumnWidths(state_.ColumnWidths);
    pages_->setCurrentIndex(state_.ActivePage);
}

void THostaqFormSetting::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (placed_)
        return;
    placed_ = true;
    if (state_.Left != 0) {
        move(state_.Left, state_.Top);
    } else if (const QScreen* screen = QApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

TSettingsValues THostaqFormSetting::Values() const {
    TSettingsValues v;
    v.GroupEnable = groups_->EnableChanges();
    connection_->Store(v.Connection);
    dialer_->Store(v.Dialer);
    address_->Store(v.Address);
    logging_->Store(v.Logging);
    icons_->Store(v.Icons);
    misc_->Store(v.Misc);
    return v;
}

void THostaqFormSetting::SetBusy(bool busy) {
    pages_->setEnabled(!busy);
    ok_->setEnabled(!busy);
    cancel_->setEnabled(!busy);
}

void THostaqFormSetting::accept() {
    const TSettingsValues values = Values();
    const TSettingsProblem problem = CheckSettingsValues(values, BoxLineBreak);
    if (!problem.Ok()) {
        TPrompt::Beep();
        TPrompt::Error(this, QText(problem.Message));
        pages_->setCurrentIndex(problem.Page);
        if (problem.ClearConfirm) {
            connection_->Field(problem.Field) ? connection_->ClearProxyConfirm() : dialer_->ClearConfirm();
        }
        QWidget* field = problem.Page == PageConnection  ? connection_->Field(problem.Field)
                         : problem.Page == PageIPAddress ? address_->IPv6Field()
                                                         : dialer_->Field(problem.Field);
        if (field)
            field->setFocus();
        return;
    }
    if (!SaveSettingsValues(values))
        return;
    QDialog::accept();
}

void THostaqFormSetting::done(int result) {
    if (address_->Detecting()) {
        TPrompt::Information(this,
                             QText(FormatMsg(MsgCheckingAddressBusy, {Msg(MsgWizardTitle), BoxLineBreak})));
        return;
    }
    state_.ActivePage = pages_->currentIndex();
    state_.Left = isVisible() || placed_ ? x() : state_.Left;
    state_.Top = isVisible() || placed_ ? y() : state_.Top;
    state_.ColumnWidths = groups_->ColumnWidths();
    SaveSettingsFormState(state_);
    QDialog::done(result);
}

} // namespace hostaq
