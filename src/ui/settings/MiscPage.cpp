#include "ui/settings/MiscPage.h"

#include "config/ConfigKeys.h"
#include "config/ConfigPath.h"
#include "config/IniFile.h"
#include "engine/ProgramList.h"
#include "ui/settings/AutoUpdateDialog.h"
#include "ui/settings/EmailSettingsDialog.h"
#include "ui/settings/ProgramListDialog.h"
#include "ui/settings/ServUDialog.h"
#include "ui/settings/SettingsMessages.h"
#include "ui/settings/SettingsUi.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace hostaq {

TSettingsMiscPage::TSettingsMiscPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheetMisc"));
    auto* grid = new QGridLayout;
    int row = 0;
    auto addRow = [&](int caption, const char* boxName, const char* buttonName, QCheckBox*& box,
                      QPushButton*& button) {
        box = new QCheckBox(Caption(caption), this);
        box->setObjectName(QLatin1String(boxName));
        button = new QPushButton(Caption(MsgSetting), this);
        button->setObjectName(QLatin1String(buttonName));
        grid->addWidget(box, row, 0);
        grid->addWidget(button, row, 1);
        ++row;
    };
    addRow(MsgRunPrograms, "CheckBoxRunPrograms", "ButtonRunPrograms", runPrograms_, runSetting_);
    addRow(MsgDiscRunPrograms, "CheckBoxDiscRunPrograms", "ButtonDiscRunPrograms", discRunPrograms_,
           discRunSetting_);
    addRow(MsgSendMail, "CheckBoxSendMail", "ButtonSendMail", sendMail_, mailSetting_);
    addRow(MsgUpdateServU, "CheckBoxUpdateServU", "ButtonServU", updateServU_, servUSetting_);
    addRow(MsgCheckUpdate, "CheckBoxCheckUpdate", "ButtonCheckUpdate", checkUpdate_, updateSetting_);
    eventCheck_ = new QCheckBox(Caption(MsgEventCheck), this);
    eventCheck_->setObjectName(QStringLiteral("CheckBoxEventCheck"));
    grid->addWidget(eventCheck_, row++, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch(1);

    for (QCheckBox* box : {runPrograms_, discRunPrograms_, sendMail_, updateServU_, checkUpdate_})
        connect(box, &QCheckBox::toggled, this, &TSettingsMiscPage::UpdateEnabling);
    connect(runPrograms_, &QCheckBox::clicked, this, &TSettingsMiscPage::RunProgramsClicked);
    connect(discRunPrograms_, &QCheckBox::clicked, this, &TSettingsMiscPage::DiscRunProgramsClicked);
    connect(sendMail_, &QCheckBox::clicked, this, &TSettingsMiscPage::SendMailClicked);
    connect(updateServU_, &QCheckBox::clicked, this, &TSettingsMiscPage::UpdateServUClicked);
    connect(runSetting_, &QPushButton::clicked, this, &TSettingsMiscPage::EditRunList);
    connect(discRunSetting_, &QPushButton::clicked, this, &TSettingsMiscPage::EditDiscRunList);
    connect(mailSetting_, &QPushButton::clicked, this, &TSettingsMiscPage::EditMail);
    connect(servUSetting_, &QPushButton::clicked, this, &TSettingsMiscPage::EditServU);
    connect(updateSetting_, &QPushButton::clicked, this, &TSettingsMiscPage::EditAutoUpdate);
    UpdateEnabling();
}

void TSettingsMiscPage::UpdateEnabling() {
    runSetting_->setEnabled(runPrograms_->isChecked());
    discRunSetting_->setEnabled(discRunPrograms_->isChecked());
    mailSetting_->setEnabled(sendMail_->isChecked());
    servUSetting_->setEnabled(updateServU_->isChecked());
    updateSetting_->setEnabled(checkUpdate_->isChecked());
}

void TSettingsMiscPage::Load(const TMiscValues& v) {
    runPrograms_->setChecked(v.RunPrograms);
    discRunPrograms_->setChecked(v.DiscRunPrograms);
    sendMail_->setChecked(v.SendMail);
    updateServU_->setChecked(v.UpdateServU);
    checkUpdate_->setChecked(v.CheckUpdate);
    eventCheck_->setChecked(v.EventCheck);
    UpdateEnabling();
}

void TSettingsMiscPage::Store(TMiscValues& v) const {
    v.RunPrograms = runPrograms_->isChecked();
    v.DiscRunPrograms = discRunPrograms_->isChecked();
    v.SendMail = sendMail_->isChecked();
    v.UpdateServU = updateServU_->isChecked();
    v.CheckUpdate = checkUpdate_->isChecked();
    v.EventCheck = eventCheck_->isChecked();
}

void TSettingsMiscPage::RunProgramsClicked(bool checked) {
    if (checked && !IniSectionExists(ConfigPath(), RunSection))
        EditRunList();
}

void TSettingsMiscPage::DiscRunProgramsClicked(bool checked) {
    if (checked && !IniSectionExists(ConfigPath(), DisconnectRunSection))
        EditDiscRunList();
}

void TSettingsMiscPage::SendMailClicked(bool checked) {
    if (checked && ReadString(Keys::SMTPHost).empty())
        EditMail();
}

void TSettingsMiscPage::UpdateServUClicked(bool checked) {
    if (!checked || !ReadString(Keys::ServUIniLoc).empty())
        return;
    EditServU();
    if (ReadString(Keys::ServUIniLoc).empty())
        updateServU_->setChecked(false);
}

void TSettingsMiscPage::EditRunList() {
    TFormProgramList dialog(this, true);
    dialog.Execute();
}

void TSettingsMiscPage::EditDiscRunList() {
    TFormProgramList dialog(this, false);
    dialog.Execute();
}

void TSettingsMiscPage::EditMail() {
    TFormEmailSettings dialog(this);
    dialog.Execute();
}

void TSettingsMiscPage::EditServU() {
    TFormServU dialog(this);
    dialog.Execute();
}

void TSettingsMiscPage::EditAutoUpdate() {
    TFormAutoUpdate dialog(this);
    dialog.Execute();
}

} // namespace hostaq
