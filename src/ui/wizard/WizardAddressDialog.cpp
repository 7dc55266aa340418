#include "ui/wizard/WizardAddressDialog.h"

#include "config/Messages.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace hostaq {

namespace {
constexpr int MsgLocalAddressNote = 10087;

QLineEdit* AddressEdit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setPlaceholderText(QStringLiteral("0.0.0.0"));
    static const QRegularExpression dotted(QStringLiteral("^[0-9]{0,3}(\\.[0-9]{0,3}){0,3}$"));
    edit->setValidator(new QRegularExpressionValidator(dotted, edit));
    return edit;
}
} // namespace

QString LocalListEntry(const QString& from, const QString& to) {
    const QString f = from.trimmed();
    const QString t = to.trimmed();
    if (f.isEmpty())
        return {};
    if (t.isEmpty() || t == QLatin1String("0.0.0.0"))
        return f;
    return f + QLatin1Char('-') + t;
}

TWizardAddressDialog::TWizardAddressDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("IPAddressDialog"));
    setWindowTitle(QStringLiteral("Add IP Address"));
    from_ = AddressEdit("EditFromIP", this);
    to_ = AddressEdit("EditToIP", this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("From:"), from_);
    form->addRow(QStringLiteral("To:"), to_);
    auto* note = new QLabel(QString::fromStdString(Msg(MsgLocalAddressNote)), this);
    note->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setObjectName(QStringLiteral("ButtonOK"));
    cancel_ = buttons->button(QDialogButtonBox::Cancel);
    cancel_->setObjectName(QStringLiteral("ButtonCancel"));
    ok_->setAutoDefault(false);
    cancel_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QLineEdit* edit : {from_, to_})
        connect(edit, &QLineEdit::textEdited, this, [this] {
            cancel_->setDefault(false);
            ok_->setDefault(true);
        });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

QString TWizardAddressDialog::Entry() const {
    return LocalListEntry(from_->text(), to_->text());
}

QString TWizardAddressDialog::AskEntry(QWidget* parent) {
    TWizardAddressDialog dialog(parent);
    return dialog.exec() == QDialog::Accepted ? dialog.Entry() : QString();
}

} // namespace hostaq
