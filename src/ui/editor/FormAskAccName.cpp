#include "ui/editor/FormAskAccName.h"

#include "config/ProviderConstants.h"
#include "config/Version.h"
#include "ui/common/MsgText.h"
#include "ui/common/UiMessages.h"
#include "ui/editor/EditorMessages.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace hostaq {

TFormAskAccName::TFormAskAccName(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormAskAccName"));
    setWindowTitle(MsgText(MsgEdNewGroup));

    auto* question = new QLabel(MsgText(MsgEdAskQuestion), this);
    question->setObjectName(QStringLiteral("LabelQuestion"));
    QFont bold = question->font();
    bold.setBold(true);
    question->setFont(bold);
    auto* purpose = new QLabel(MsgText(MsgEdAskPurpose, {AppTitle, BuiltInProvider}), this);
    purpose->setObjectName(QStringLiteral("LabelPurpose"));
    purpose->setWordWrap(true);
    auto* freedom = new QLabel(MsgText(MsgEdAskFreedom), this);
    freedom->setObjectName(QStringLiteral("LabelFreedom"));
    freedom->setWordWrap(true);

    editName_ = new QLineEdit(this);
    editName_->setObjectName(QStringLiteral("EditAccountName"));
    auto* form = new QFormLayout;
    form->addRow(MsgText(MsgGroupNameCaption) + QLatin1Char(':'), editName_);

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
