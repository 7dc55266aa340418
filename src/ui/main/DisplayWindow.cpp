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
#include <QKeyEvent>
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
      hideTray_(new QCheckBox(M(MsgHideTrayIcon), this)), hotKeyProblem_(new QLabel(this)) {
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
    hotKeyProblem_->setObjectName(QStringLiteral("LabelHotKeyProblem"));
    hotKeyProblem_->setWordWrap(true);
    hotKeyProblem_->hide();
    hotKey_->installEventFilter(this);
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
    inner->addWidget(hotKeyProblem_);
    inner->addLayout(hideRow);

    auto* buttons = OkCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(needPass_, &QCheckBox::toggled, this, &TFormDisplayWindow::UpdateEnabling);
    connect(hotKey_, &QKeySequenceEdit::keySequenceChanged, this, &TFormDisplayWindow::HotKeyEdited);
    Load();
}

void TFormDisplayWindow::HotKeyEdited(const QKeySequence& key) {
    // One key with its modifiers. A key that cannot be the hot key is refused with the reason,
    // and the field keeps the key it had.
    const QKeySequence last = key.isEmpty() ? key : QKeySequence(key[key.count() - 1]);
    const QString problem = HotKeyProblem(last);
    if (problem.isEmpty())
        acceptedKey_ = last;
    if (hotKey_->keySequence() != acceptedKey_) {
        const QSignalBlocker block(hotKey_);
        hotKey_->setKeySequence(acceptedKey_);
    }
    hotKeyProblem_->setText(problem);
    hotKeyProblem_->setVisible(!problem.isEmpty());
    UpdateEnabling();
}

bool TFormDisplayWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != hotKey_ || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto* press = static_cast<QKeyEvent*>(event);
    const int key = press->key();
    // A modifier alone is not a key yet: the field shows it while the user holds it.
    if (key == Qt::Key_Control || key == Qt::Key_Shift || key == Qt::Key_Alt || key == Qt::Key_Meta ||
        key == Qt::Key_AltGr || key == Qt::Key_unknown || key == 0)
        return false;
    const Qt::KeyboardModifiers mods =
        press->modifiers() &
        (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier | Qt::KeypadModifier);
    if ((mods & ~Qt::KeypadModifier) == Qt::NoModifier && key == Qt::Key_Escape) {
        reject();
        return true;
    }
    if ((mods & ~Qt::KeypadModifier) == Qt::NoModifier && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        accept();
        return true;
    }
    // Each press is the whole hot key: the field takes it at once, or keeps its key and says why.
    HotKeyEdited(QKeySequence(QKeyCombination(mods, static_cast<Qt::Key>(key))));
    return true;
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
    acceptedKey_ = key;
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
