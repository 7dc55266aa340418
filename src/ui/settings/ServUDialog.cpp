#include "ui/settings/ServUDialog.h"

#include "config/ConfigKeys.h"
#include "ui/common/ModalDialog.h"
#include "ui/settings/SettingsMessages.h"
#include "ui/settings/SettingsUi.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace hostaq {

TFormServU::TFormServU(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFormServU"));
    setWindowTitle(Caption(MsgServUTitle));

    location_ = new QLineEdit(QText(ReadString(Keys::ServUIniLoc)), this);
    location_->setObjectName(QStringLiteral("EditServUIniLoc"));
    location_->setMinimumWidth(fontMetrics().averageCharWidth() * 48);
    auto* browse = new QPushButton(Caption(MsgBrowse), this);
    browse->setObjectName(QStringLiteral("ButtonBrowse"));

    auto* group = new QGroupBox(Caption(MsgServUTitle), this);
    auto* row = new QHBoxLayout;
    row->addWidget(location_, 1);
    row->addWidget(browse);
    auto* inner = new QVBoxLayout(group);
    inner->addWidget(new QLabel(Caption(MsgIniFileLocation), this));
    inner->addLayout(row);

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(Caption(MsgOK), QDialogButtonBox::AcceptRole);
    ok_->setObjectName(QStringLiteral("ButtonOK"));
    QPushButton* cancel = buttons->addButton(Caption(MsgCancel), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("ButtonCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TFormServU::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TFormServU::reject);
    connect(browse, &QPushButton::clicked, this, &TFormServU::Browse);
    connect(location_, &QLineEdit::textChanged, this, &TFormServU::TextChanged);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    TextChanged();
}

void TFormServU::TextChanged() {
    const QString text = location_->text().trimmed();
    ok_->setEnabled(!text.isEmpty());
    location_->setToolTip(text);
}

void TFormServU::Browse() {
    const QString file = AskOpenFileName(this, Caption(MsgBrowseServU), location_->text().trimmed(),
                                         QStringLiteral("Ini Files (*.ini);;All files (*)"));
    if (!file.isEmpty())
        location_->setText(file);
}

void TFormServU::accept() {
    const std::string location = StdText(location_->text().trimmed());
    if (location.empty() || !WriteString(Keys::ServUIniLoc, location))
        return;
    QDialog::accept();
}

bool TFormServU::Execute() {
    return ExecModal(*this) == QDialog::Accepted;
}

} // namespace hostaq
