#include "ui/editor/FormHostName.h"

#include "ui/common/MsgText.h"
#include "ui/common/Prompt.h"
#include "ui/common/UiMessages.h"
#include "ui/editor/EditorMessages.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace hostaq {

TFormHostName::TFormHostName(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormHostName"));
    editHostname_ = new QLineEdit(this);
    editHostname_->setObjectName(QStringLiteral("EditHostname"));
    editHostname_->setMinimumWidth(260);
    comboSystem_ = new QComboBox(this);
    comboSystem_->setObjectName(QStringLiteral("ComboBoxSystem"));
    comboSystem_->addItems({QStringLiteral("hostaq"), QStringLiteral("statdns"), QStringLiteral("custom")});

    auto* form = new QFormLayout;
    form->addRow(MsgText(MsgEdHostname), editHostname_);
    form->addRow(MsgText(MsgEdSystem), comboSystem_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ButtonOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("ButtonCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TFormHostName::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TFormHostName::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(editHostname_, &QLineEdit::textChanged, this, &TFormHostName::UpdateTitle);
    UpdateTitle();
}

void TFormHostName::SetHost(const QString& host, int system) {
    editHostname_->setText(host);
    comboSystem_->setCurrentIndex(system >= 0 && system <= 2 ? system : 0);
    UpdateTitle();
}

QString TFormHostName::Host() const {
    return editHostname_->text().trimmed();
}

int TFormHostName::System() const {
    return comboSystem_->currentIndex();
}

void TFormHostName::UpdateTitle() {
    const QString host = editHostname_->text().trimmed();
    setWindowTitle(MsgText(MsgEdProperties, {host.isEmpty() ? Msg(MsgHostnameCaption) : host.toStdString()}));
}

void TFormHostName::accept() {
    if (Host().isEmpty()) {
        TPrompt::Error(this, MsgText(MsgEdHostnameEmpty));
        editHostname_->setFocus();
        return;
    }
    QDialog::accept();
}

} // namespace hostaq
