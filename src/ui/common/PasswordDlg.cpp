#include "ui/common/PasswordDlg.h"

#include "config/ConfigKeys.h"
#include "config/Messages.h"
#include "ui/common/ModalDialog.h"
#include "ui/common/Prompt.h"
#include "ui/common/UiMessages.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <deque>

namespace hostaq {

namespace {
struct TTestState {
    std::deque<QString> Entries;
    int Asks = 0;
};
TTestState& Test() {
    static TTestState state;
    return state;
}
QString M(int id) {
    return QString::fromStdString(Msg(id));
}
} // namespace

TPasswordDlg::TPasswordDlg(QWidget* parent) : QDialog(parent), edit_(new QLineEdit(this)) {
    setObjectName(QStringLiteral("PasswordDlg"));
    setWindowTitle(M(MsgEnterPasswordTitle));
    auto* prompt = new QLabel(M(MsgEnterPasswordPrompt), this);
    prompt->setObjectName(QStringLiteral("LabelPrompt"));
    edit_->setObjectName(QStringLiteral("EditPassword"));
    edit_->setEchoMode(QLineEdit::Password);
    auto* buttons = OkCancelButtons(this);

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    auto* column = new QVBoxLayout;
    column->addWidget(prompt);
    column->addWidget(edit_);
    row->addLayout(column, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setMinimumWidth(360);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString TPasswordDlg::Entry() const {
    return edit_->text();
}

void TPasswordDlg::QueueTestEntry(const QString& entry) {
    Test().Entries.push_back(entry);
}
int TPasswordDlg::TestAsks() {
    return Test().Asks;
}
void TPasswordDlg::ResetTest() {
    Test() = {};
}

bool AskDisplayPassword(QWidget* parent) {
    if (!ReadBool(Keys::DisplayNeedPass))
        return true;
    QString entry;
    if (TPrompt::TestMode()) {
        ++Test().Asks;
        if (!Test().Entries.empty()) {
            entry = Test().Entries.front();
            Test().Entries.pop_front();
        }
    } else {
        TPasswordDlg dialog(parent);
        if (dialog.exec() == QDialog::Accepted)
            entry = dialog.Entry();
    }
    return entry == QString::fromStdString(ReadPassword(Keys::DisplayPassword));
}

} // namespace hostaq
