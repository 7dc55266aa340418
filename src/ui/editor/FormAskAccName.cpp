#include "ui/editor/FormAskAccName.h"

#include "config/ProviderConstants.h"
#include "config/Version.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace hostaq {

TFormAskAccName::TFormAskAccName(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormAskAccName"));
    setWindowTitle(QStringLiteral("New Hostnames Group"));

    auto* question = new QLabel(QStringLiteral("What do you want this group to be called?"), this);
    question->setObjectName(QStringLiteral("LabelQuestion"));
    QFont bold = question->font();
    bold.setBold(true);
    question->setFont(bold);
    auto* purpose =
        new QLabel(QStringLiteral("The name is only used by %1 to store the hostname information. It is "
                                  "not related to your user name at %2.")
                       .arg(QString::fromUtf8(AppTitle), QString::fromUtf8(BuiltInProvider)),
                   this);
    purpose->setObjectName(QStringLiteral("LabelPurpose"));
    purpose->setWordWrap(true);
    auto* freedom =
        new QLabel(QStringLiteral("You can name the group as you want. It can also contain spaces."), this);
    freedom->setObjectName(QStringLiteral("LabelFreedom"));
    freedom->setWordWrap(true);

    editName_ = new QLineEdit(this);
    editName_->setObjectName(QStringLiteral("EditAccountName"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Group Name:"), editName_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ButtonOK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TFormAskAccName::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addWidget(purpose);
    layout->addWidget(freedom);
    layout->addSpacing(6);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

QString TFormAskAccName::Name() const {
    return result() == QDialog::Accepted ? editName_->text() : QString();
}

} // namespace hostaq
