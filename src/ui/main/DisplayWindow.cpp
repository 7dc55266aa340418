#include "ui/main/DisplayWindow.h"

#include "config/ConfigKeys.h"
#include "config/Messages.h"
#include "config/Version.h"
#include "ui/common/ModalDialog.h"
#include "ui/common/Prompt.h"
#include "ui/common/UiMessages.h"
#include "ui/tray/VemoHotKey.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace hostaq {

namespace {
QString M(int id) {
    return QString::fromStdString(Msg(id));
}
} // namespace

TDisplayPasswordCheck CheckDisplayPassword(bool needPass, const QString& password, const QString& confirm) {
    if (!needPass)
        return TDisplayPasswordCheck::Ok;
    if (password.isEmpty())
        return TDisplayPasswordCheck::EmptyPassword;
    if (confirm != password)
        return TDisplayPasswordCheck::ConfirmDiffers;
    return TDisplayPasswordCheck::Ok;
}

TFormDisplayWindow::TFormDisplayWindow(TTarget target, QWidget* parent)
    : QDialog(parent), target_(std::move(target)),
      needPass_(new QCheckBox(QString::fromStdString(FormatMsg(MsgDisplayNeedsPassword, {AppTitle})), this)),
      password_(new QLineEdit(this)), confirm_(new QLineEdit(this)),
      singleClick_(new QCheckBox(M(MsgSingleClick), this)), hotKey_(new QKeySequenceEdit(this)),
      hideTray_(new QCheckBox(M(MsgHideTrayIcon), this)) {
    setObjectName(QStringLiteral("FormDisplayWindow"));
    setWindowTitle(M(MsgDisplayWindowTitle));
    needPass_->setObjectName(QStringLiteral("CheckBoxNeedPass"));
    password_->setObjectName(QStringLiteral("EditPassword"));
    password_->setEchoMode(QLineEdit::Password);
    confirm_->setObjectName(QStringLiteral("EditConfirm"));
    confirm_->setEchoMode(QLineEdit::Password);
    singleClick_->setObjectName(QStringLiteral("CheckBoxSingleClick"));
    hotKey_->setObjectName(QStringLiteral("EditHotKey"));
    hideTray_->setObjectName(QStringLiteral("CheckBoxHideTray"));
    auto* clear = new QToolButton(this);
    clear->setObjectName(QStringLiteral("ButtonClearHotKey"));
    clear->setIcon(style()->standardIcon(QStyle::SP_LineEditClearButton));
    clear->setAutoRaise(true);
    connect(clear, &QToolButton::clicked, hotKey_, &QKeySequenceEdit::clear);

    auto* group = new QGroupBox(M(MsgDisplayWindowGroup), this);
    group->setObjectName(QStringLiteral("GroupBoxDisplay"));
    auto* passwords = new QFormLayout;
    passwords->setContentsMargins(24, 0, 0, 0);
    passwords->addRow(M(MsgPasswordLabel), password_);
    passwords->addRow(M(MsgConfirmLabel), confirm_);
    auto* hotKeyRow = new QHBoxLayout;
    hotKeyRow->addWidget(new QLabel(M(MsgHotKeyLabel), this));
    hotKeyRow->addWidget(hotKey_, 1);
    hotKeyRow->addWidget(clear);
    auto* hideRow = new QHBoxLayout;
    hideRow->setContentsMargins(24, 0, 0, 0);
    hideRow->addWidget(hideTray_);
    auto* inner = new QVBoxLayout(group);
    inner->addWidget(needPass_);
    inner->addLayout(passwords);
    inner->addSpacing(6);
    inner->addWidget(singleClick_);
    inner->addSpacing(6);
    inner->addLayout(hotKeyRow);
    inner->addLayout(hideRow);

    auto* buttons = OkCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(needPass_, &QCheckBox::toggled, this, &TFormDisplayWindow::UpdateEnabling);
    connect(hotKey_, &QKeySequenceEdit::keySequenceChanged, this, [this](const QKeySequence& key) {
        // One key with its modifiers: a second key press starts over.
        if (key.count() > 1) {
            const QSignalBlocker block(hotKey_);
            hotKey_->setKeySequence(QKeySequence(key[key.count() - 1]));
        }
        UpdateEnabling();
    });
    Load();
}

void TFormDisplayWindow::UpdateEnabling() {
    password_->setEnabled(needPass_->isChecked());
    confirm_->setEnabled(needPass_->isChecked());
    const bool hotKeySet = !hotKey_->keySequence().isEmpty();
    hideTray_->setEnabled(hotKeySet);
    if (!hotKeySet)
        hideTray_->setChecked(false);
}

void TFormDisplayWindow::Load() {
    needPass_->setChecked(ReadBool(Keys::DisplayNeedPass));
    const QString password = QString::fromStdString(ReadPassword(Keys::DisplayPassword));
    password_->setText(password);
    confirm_->setText(password);
    singleClick_->setChecked(ReadBool(Keys::UseSingleClick));
    const QKeySequence key = HotKeyFromWindows(ReadInteger(Keys::PopUpMod), ReadInteger(Keys::PopUpKey));
    {
        const QSignalBlocker block(hotKey_);
        hotKey_->setKeySequence(key);
    }
    hideTray_->setChecked(ReadBool(Keys::HideTray) && !key.isEmpty());
    UpdateEnabling();
}

bool TFormDisplayWindow::Validate() {
    const TDisplayPasswordCheck check =
        CheckDisplayPassword(needPass_->isChecked(), password_->text(), confirm_->text());
    if (check == TDisplayPasswordCheck::Ok)
        return true;
    QLineEdit* field = check == TDisplayPasswordCheck::EmptyPassword ? password_ : confirm_;
    TPrompt::Beep();
    TPrompt::Warning(this, M(check == TDisplayPasswordCheck::EmptyPassword ? MsgEnterYourPassword
                                                                           : MsgConfirmYourPassword));
    field->clear();
    field->setFocus();
    return false;
}

void TFormDisplayWindow::Save() {
    WriteBool(Keys::DisplayNeedPass, needPass_->isChecked());
    if (needPass_->isChecked() && !password_->text().isEmpty())
        WritePassword(Keys::DisplayPassword, password_->text().toStdString());
    WriteBool(Keys::UseSingleClick, singleClick_->isChecked());
    const bool hotKeySet = target_.ApplyHotKey ? target_.ApplyHotKey(hotKey_->keySequence()) : false;
    if (!hotKeySet)
        hideTray_->setChecked(false);
    if (target_.SetHideTray)
        target_.SetHideTray(hideTray_->isChecked());
}

void TFormDisplayWindow::accept() {
    if (!Validate())
        return;
    Save();
    QDialog::accept();
}

} // namespace hostaq
