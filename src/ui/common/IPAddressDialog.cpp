#include "ui/common/IPAddressDialog.h"

#include "ui/common/ModalDialog.h"
#include "ui/settings/SettingsLogic.h"
#include "ui/settings/SettingsMessages.h"
#include "ui/settings/SettingsUi.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace hostaq {

TIPAddressDialog::TIPAddressDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TIPAddressDialog"));
    setWindowTitle(Caption(MsgAddIPAddressTitle));

    // Digits and dots only; the full check is made on OK.
    auto* validator =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]{0,15}")), this);
    from_ = new QLineEdit(this);
    from_->setObjectName(QStringLiteral("EditFrom"));
    to_ = new QLineEdit(this);
    to_->setObjectName(QStringLiteral("EditTo"));
    for (QLineEdit* edit : {from_, to_}) {
        edit->setValidator(validator);
        edit->setPlaceholderText(QStringLiteral("0.0.0.0"));
        edit->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000.000.000.000")) + 24);
        connect(edit, &QLineEdit::textEdited, this, &TIPAddressDialog::Edited);
    }

    auto* note = new QLabel(Caption(MsgAddressListNote), this);
    note->setWordWrap(true);
    note->setObjectName(QStringLiteral("LabelNote"));

    auto* form = new QFormLayout;
    form->addRow(Caption(MsgFrom), from_);
    form->addRow(Caption(MsgTo), to_);

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(Caption(MsgOK), QDialogButtonBox::AcceptRole);
    ok_->setObjectName(QStringLiteral("ButtonOK"));
    cancel_ = buttons->addButton(Caption(MsgCancel), QDialogButtonBox::RejectRole);
    cancel_->setObjectName(QStringLiteral("ButtonCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TIPAddressDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TIPAddressDialog::reject);
    ok_->setAutoDefault(false);
    cancel_->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

void TIPAddressDialog::Edited() {
    cancel_->setDefault(false);
    ok_->setDefault(true);
}

void TIPAddressDialog::accept() {
    const auto from = NormaliseAddress(StdText(from_->text()));
    if (!from || *from == "0.0.0.0") {
        ShowFieldProblem(this, from_, Caption(MsgInvalidAddress), false);
        return;
    }
    const std::string toText = StdText(to_->text()).empty() ? "0.0.0.0" : StdText(to_->text());
    if (!NormaliseAddress(toText)) {
        ShowFieldProblem(this, to_, Caption(MsgInvalidAddress), false);
        return;
    }
    QDialog::accept();
}

int TIPAddressDialog::Execute(std::string& from, std::string& to) {
    if (ExecModal(*this) != QDialog::Accepted)
        return -1;
    const auto f2 = NormaliseAddress(StdText(from_->text()));
    if (!f2)
        return -1;
    from = *f2;
    const auto t = NormaliseAddress(StdText(to_->text()));
    to = (!t || *t == "0.0.0.0") ? std::string() : *t;
    return 0;
}

} // namespace hostaq
